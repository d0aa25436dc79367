// Dots per inch as the file formats that count per metre store them.
#pragma once

#include <cmath>
#include <cstdint>

#include "../image_limits.h"

namespace gdip::codecs {

// Pixels per metre for `dpi`, rounded; 0 for no or an absurd resolution.
inline uint32_t pixelsPerMetre(double dpi) {
    if (!(dpi > 0) || dpi > Limits::kMaxResolutionDpi) return 0;
    return static_cast<uint32_t>(std::lrint(dpi / 0.0254));
}

}  // namespace gdip::codecs
