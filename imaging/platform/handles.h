// What the opaque handles of the flat interface stand for.
#pragma once

#include <memory>

#include "codecs/codec.h"
#include "gdiplus_flat.h"
#include "raster.h"
#include "surface.h"

namespace gdip {

struct GpImage {
    std::unique_ptr<codecs::Decoder> decoder;  // null for bitmaps made in memory
    GUID rawFormat{};
    GUID dimension{};
    uint32_t frameCount = 1;
    uint32_t activeFrame = 0;
    Frame frame;  // the active frame, the only one held
};

struct GpGraphics {
    Surface surface;
    InterpolationMode mode = InterpolationModeBilinear;
};

struct GpPen {
    ARGB color = 0;
    REAL width = 1;
};

struct GpBrush {
    ARGB color = 0;
};

// True while a session is open; creating objects outside one fails.
bool sessionOpen();

}  // namespace gdip
