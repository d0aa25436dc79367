// A drawing target and the raster operations on it: fills, outlines, scaled image drawing.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gdiplus_flat.h"
#include "raster.h"

namespace gdip {

struct Surface {
    enum class Kind { Rgb24, Argb32, Xrgb32 };
    uint8_t* base = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    size_t stride = 0;
    Kind kind = Kind::Rgb24;
};

struct IntRect {
    int64_t x = 0, y = 0, width = 0, height = 0;
};

// Every pixel takes `color` as it is (no blending), as a clear does.
void clearSurface(Surface& surface, ARGB color);

// Blends `color` over the pixels of `rect`, clipped to the surface.
void fillRect(Surface& surface, IntRect rect, ARGB color);

// The outline of `rect` with a pen of `penWidth`, centred on its edges and clipped.
void outlineRect(Surface& surface, IntRect rect, float penWidth, ARGB color);

// Resamples `source` (a rectangle inside `frame`) into `destination` on the surface, blending
// by the source's alpha. Nearest neighbour maps every destination pixel to exactly one source
// pixel; every other mode is bilinear.
void drawFrame(Surface& surface, const Frame& frame, IntRect source, IntRect destination,
               InterpolationMode mode);
// The same from rows as they are asked for, top to bottom.
void drawFrame(Surface& surface, const PictureRows& picture, IntRect source, IntRect destination,
               InterpolationMode mode);

// A new ARGB frame of exactly width x height, each pixel the area average of the source
// pixels it covers. Returns the allocation status.
[[nodiscard]] GpStatus areaAverage(const Frame& frame, uint32_t width, uint32_t height, Frame& out);
// The same from rows as they are asked for, each once or twice, top to bottom.
[[nodiscard]] GpStatus areaAverage(const PictureRows& rows, uint32_t width, uint32_t height, Frame& out);

}  // namespace gdip
