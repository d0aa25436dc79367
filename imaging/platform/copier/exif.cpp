#include "exif.h"

#include <cstring>

#include "../codecs/byte_order.h"

namespace gdip::codecs {

bool readExif(const uint8_t* payload, size_t size, ExifFacts& facts) {
    facts = ExifFacts{};
    constexpr size_t kMarkerBytes = 6;  // "Exif\0\0"
    if (size < kMarkerBytes + 8 || std::memcmp(payload, "Exif\0\0", kMarkerBytes) != 0) return false;
    const uint8_t* tiff = payload + kMarkerBytes;
    const size_t length = size - kMarkerBytes;
    if (tiff[0] != tiff[1] || (tiff[0] != 'I' && tiff[0] != 'M')) return false;
    const bool little = tiff[0] == 'I';
    if (readU16(tiff + 2, little) != 42) return false;
    const uint64_t directory = readU32(tiff + 4, little);
    if (directory + 2 > length) return true;
    const uint16_t count = readU16(tiff + directory, little);
    // A rational's numerator and denominator sit where the entry's value points.
    auto rational = [&](const uint8_t* entry) -> double {
        const uint64_t at = readU32(entry + 8, little);
        if (readU16(entry + 2, little) != 5 || at + 8 > length) return 0;
        const uint32_t denominator = readU32(tiff + at + 4, little);
        return denominator == 0 ? 0 : double(readU32(tiff + at, little)) / denominator;
    };
    for (uint32_t e = 0; e < count; ++e) {
        const uint64_t at = directory + 2 + uint64_t{e} * 12;
        if (at + 12 > length) break;
        const uint8_t* entry = tiff + at;
        const uint16_t tag = readU16(entry, little);
        const bool isShort = readU16(entry + 2, little) == 3;
        const uint16_t value = isShort ? readU16(entry + 8, little) : 0;  // a SHORT sits first
        switch (tag) {
            case 0x0112:
                if (value >= 1 && value <= 8) facts.orientation = value;
                break;
            case 0x011A: facts.xResolution = rational(entry); break;
            case 0x011B: facts.yResolution = rational(entry); break;
            case 0x0128:
                if (value >= 1 && value <= 3) facts.resolutionUnit = value;
                break;
            default: break;
        }
    }
    return true;
}

}  // namespace gdip::codecs
