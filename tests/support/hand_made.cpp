#include "hand_made.h"

#include <zlib.h>

#include <cstdio>

namespace fixtures {

void putLe16(std::vector<uint8_t>& bytes, size_t at, uint16_t value) {
    bytes[at] = static_cast<uint8_t>(value);
    bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

void putLe32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

void putBe16(std::vector<uint8_t>& bytes, size_t at, uint16_t value) {
    bytes[at] = static_cast<uint8_t>(value >> 8);
    bytes[at + 1] = static_cast<uint8_t>(value);
}

std::vector<uint8_t> tiffWithEntries(const std::vector<std::array<uint32_t, 3>>& entries,
                                     uint32_t next) {
    std::vector<uint8_t> b(8 + 2 + entries.size() * 12 + 4 + 64, 0);
    b[0] = 'I', b[1] = 'I', b[2] = 42;
    putLe32(b, 4, 8);
    putLe16(b, 8, static_cast<uint16_t>(entries.size()));
    size_t at = 10;
    for (const auto& [tag, type, value] : entries) {
        putLe16(b, at, static_cast<uint16_t>(tag));
        putLe16(b, at + 2, static_cast<uint16_t>(type));
        putLe32(b, at + 4, 1);
        if (type == 3)
            putLe16(b, at + 8, static_cast<uint16_t>(value));
        else
            putLe32(b, at + 8, value);
        at += 12;
    }
    putLe32(b, at, next);
    return b;
}

std::vector<uint8_t> pngChunk(const std::string& type, const std::vector<uint8_t>& data) {
    const uint32_t length = static_cast<uint32_t>(data.size());
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type.data()), 4);
    crc = crc32(crc, data.data(), static_cast<uInt>(data.size()));
    std::vector<uint8_t> chunk;
    chunk.reserve(12 + data.size());
    for (int i = 0; i < 4; ++i) chunk.push_back(static_cast<uint8_t>(length >> (24 - 8 * i)));
    for (char c : type) chunk.push_back(static_cast<uint8_t>(c));
    for (uint8_t b : data) chunk.push_back(b);
    for (int i = 0; i < 4; ++i) chunk.push_back(static_cast<uint8_t>(crc >> (24 - 8 * i)));
    return chunk;
}

std::string handMadePdf(const std::vector<std::string>& objects) {
    std::string pdf = "%PDF-1.4\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t offset : offsets) {
        char entry[24];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        pdf += entry;
    }
    return pdf + "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
}

}  // namespace fixtures
