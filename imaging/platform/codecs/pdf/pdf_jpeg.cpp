#include "pdf_jpeg.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace gdip::codecs::pdf {
namespace {

constexpr uint8_t kStart = 0xd8, kEnd = 0xd9, kScan = 0xda;

bool isFrame(uint8_t marker) { return marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc; }
bool isRestart(uint8_t marker) { return marker >= 0xd0 && marker <= 0xd7; }

}  // namespace

bool mendJoinedJpeg(const std::string& data, std::string& mended) {
    const auto byte = [&](size_t at) { return uint8_t(data[at]); };
    const auto markerAt = [&](size_t at, uint8_t marker) { return at + 1 < data.size() && byte(at) == 0xff && byte(at + 1) == marker; };
    if (!markerAt(0, kStart)) return false;
    std::vector<std::pair<size_t, size_t>> cuts;  // [from, to) taken out
    // Before the frame: a second SOI, or the tables' own EOI and then one.
    size_t at = 2;
    while (at + 4 <= data.size() && byte(at) == 0xff) {
        const uint8_t marker = byte(at + 1);
        if (marker == 0xff) {
            ++at;  // fill bytes
            continue;
        }
        if (marker == kStart || (marker == kEnd && markerAt(at + 2, kStart))) {
            const size_t length = marker == kStart ? 2 : 4;
            cuts.emplace_back(at, at + length);
            at += length;
            continue;
        }
        if (marker == kScan || isFrame(marker)) break;
        at += 2 + ((size_t(byte(at + 2)) << 8) | byte(at + 3));
    }
    // In the coded data, where a marker can only follow 0xff: strips ended and started again
    // around a restart marker.
    for (; at + 6 <= data.size(); ++at)
        if (markerAt(at, kEnd) && markerAt(at + 2, kStart) && byte(at + 4) == 0xff && isRestart(byte(at + 5))) {
            cuts.emplace_back(at, at + 4);
            at += 3;
        }
    if (cuts.empty()) return false;
    mended.clear();
    mended.reserve(data.size());
    size_t from = 0;
    for (const auto& [cutFrom, cutTo] : cuts) {
        mended.append(data, from, cutFrom - from);
        from = cutTo;
    }
    mended.append(data, from, std::string::npos);
    return true;
}

}  // namespace gdip::codecs::pdf
