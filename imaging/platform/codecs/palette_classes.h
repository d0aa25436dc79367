// How an indexed frame's palette reads: a plain black-and-white or grey ramp lets encoders
// write a grey image instead of a palette.
#pragma once

#include <vector>

#include "../gdiplus_flat.h"

namespace gdip::codecs {

enum class PaletteShape { Colour, GreyRising, GreyFalling };

// GreyRising: entry i is the i-th of 2^bits grey levels from black; GreyFalling: from white.
PaletteShape paletteShape(const std::vector<ARGB>& palette, unsigned bits);

// True when every entry is opaque.
bool paletteOpaque(const std::vector<ARGB>& palette);

}  // namespace gdip::codecs
