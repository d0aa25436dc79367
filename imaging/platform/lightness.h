// How light a pixel looks, 0 black to 255 white: what the blank-page measure and the text
// recogniser see of a page in any class.
#pragma once

#include <array>
#include <cstdint>

#include "raster.h"

namespace gdip {

inline uint8_t lightness(uint32_t red, uint32_t green, uint32_t blue) {
    return static_cast<uint8_t>((red * 299 + green * 587 + blue * 114 + 500) / 1000);
}

// Lightness of every palette entry of an indexed frame; missing entries are black.
std::array<uint8_t, 256> paletteLightness(const Frame& frame);

// Row `y` of `frame` as lightness, `frame.width` bytes into `out`; `palette` is
// paletteLightness(frame). Transparent pixels are paper.
void lightnessRow(const Frame& frame, const std::array<uint8_t, 256>& palette, uint32_t y, uint8_t* out);

}  // namespace gdip
