// A page's size on paper, and dots per inch as the file formats that count per metre store
// them.
#pragma once

#include <cmath>
#include <cstdint>

#include "../image_limits.h"

namespace gdip::codecs {

// A page's size on paper as its file gives it: dots per inch (0 when not given), or without
// a unit only the pixels' aspect (0 when none).
struct PageResolution {
    double dpiX = 0;
    double dpiY = 0;
    double aspectX = 0;
    double aspectY = 0;
};

// Pixels per metre for `dpi`, rounded; 0 for no or an absurd resolution.
inline uint32_t pixelsPerMetre(double dpi) {
    if (!(dpi > 0) || dpi > Limits::kMaxResolutionDpi) return 0;
    return static_cast<uint32_t>(std::lrint(dpi / 0.0254));
}

// Dots per inch for `perMetre` pixels per metre. A whole number of dots per inch is stored as
// the nearest whole number per metre (100 dpi as 3937), which is that number again within a
// hundredth: a page sized from it then holds exactly its pixels.
inline double dpiFromPixelsPerMetre(double perMetre) {
    const double dpi = perMetre * 0.0254;
    const double whole = std::round(dpi);
    return std::fabs(dpi - whole) < 0.01 ? whole : dpi;
}

}  // namespace gdip::codecs
