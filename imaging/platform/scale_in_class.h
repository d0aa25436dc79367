// Nearest-neighbour scaling that keeps a frame's pixel class: a bilevel page stays bilevel,
// a palette page keeps its palette.
#pragma once

#include "raster.h"

namespace gdip {

// The source position under the centre of target position `at`, `target` positions standing
// for `source` ones: the one rule of nearest-neighbour scaling, rows and columns alike.
inline uint32_t nearestSource(uint64_t at, uint64_t source, uint64_t target) {
    return static_cast<uint32_t>((at * 2 + 1) * source / (target * 2));
}

// `out` becomes `source` scaled to width x height, each target pixel the source pixel under
// its centre; the palette is copied and the resolution multiplied by `dpiScale`. Sizes are
// checked against Limits first.
[[nodiscard]] GpStatus scaleInClass(const Frame& source, uint32_t width, uint32_t height, double dpiScale,
                                    Frame& out);

}  // namespace gdip
