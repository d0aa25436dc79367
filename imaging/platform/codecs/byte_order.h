// Integers stored in a file in either byte order.
#pragma once

#include <cstdint>

namespace gdip::codecs {

inline uint16_t readU16(const uint8_t* p, bool little) {
    return little ? static_cast<uint16_t>(p[0] | (p[1] << 8))
                  : static_cast<uint16_t>((p[0] << 8) | p[1]);
}

inline uint32_t readU32(const uint8_t* p, bool little) {
    return little ? (uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) |
                     (uint32_t{p[3]} << 24))
                  : ((uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) |
                     p[3]);
}

inline uint64_t readU64(const uint8_t* p, bool little) {
    const uint64_t first = readU32(p, little), second = readU32(p + 4, little);
    return little ? first | (second << 32) : (first << 32) | second;
}

inline void writeU16(uint8_t* p, uint16_t value, bool little) {
    p[little ? 0 : 1] = static_cast<uint8_t>(value & 0xFF);
    p[little ? 1 : 0] = static_cast<uint8_t>(value >> 8);
}

inline void writeU32(uint8_t* p, uint32_t value, bool little) {
    writeU16(p + (little ? 0 : 2), static_cast<uint16_t>(value & 0xFFFF), little);
    writeU16(p + (little ? 2 : 0), static_cast<uint16_t>(value >> 16), little);
}

// Little-endian shorthands, for formats that are little-endian only (BMP).
inline uint16_t le16(const uint8_t* p) { return readU16(p, true); }
inline uint32_t le32(const uint8_t* p) { return readU32(p, true); }
inline void putLe16(uint8_t* p, uint32_t value) { writeU16(p, static_cast<uint16_t>(value), true); }
inline void putLe32(uint8_t* p, uint32_t value) { writeU32(p, value, true); }

}  // namespace gdip::codecs
