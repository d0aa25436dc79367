// One ARGB word: alpha in bits 24-31, then red, green, blue; straight (not premultiplied).
#pragma once

#include <cstdint>

#include "gdiplus_flat.h"

namespace gdip {

inline uint32_t alphaOf(ARGB c) { return c >> 24; }
inline uint32_t redOf(ARGB c) { return (c >> 16) & 0xFF; }
inline uint32_t greenOf(ARGB c) { return (c >> 8) & 0xFF; }
inline uint32_t blueOf(ARGB c) { return c & 0xFF; }

inline ARGB packArgb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}

inline ARGB opaque(uint32_t r, uint32_t g, uint32_t b) { return packArgb(255, r, g, b); }

}  // namespace gdip
