// Nearest-neighbour scaling that keeps a frame's pixel class: a bilevel page stays bilevel,
// a palette page keeps its palette.
#pragma once

#include "raster.h"

namespace gdip {

// `out` becomes `source` scaled to width x height, each target pixel the source pixel under
// its centre; the palette is copied and the resolution multiplied by `dpiScale`. Sizes are
// checked against Limits first.
[[nodiscard]] GpStatus scaleInClass(const Frame& source, uint32_t width, uint32_t height, double dpiScale,
                                    Frame& out);

}  // namespace gdip
