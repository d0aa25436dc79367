#include "orientation.h"

#include <cstring>
#include <utility>

namespace gdip {
namespace {

// Where the upright picture's pixel (x, y) comes from in the stored one, `width` and
// `height` being the stored sides: TIFF's and EXIF's eight orientations, each naming where
// the stored first row and first column are seen.
struct SourceOf {
    uint16_t orientation;
    uint32_t width, height;
    std::pair<uint32_t, uint32_t> operator()(uint32_t x, uint32_t y) const {
        switch (orientation) {
            case 2: return {width - 1 - x, y};
            case 3: return {width - 1 - x, height - 1 - y};
            case 4: return {x, height - 1 - y};
            case 5: return {y, x};
            case 6: return {y, height - 1 - x};
            case 7: return {width - 1 - y, height - 1 - x};
            case 8: return {width - 1 - y, x};
            default: return {x, y};
        }
    }
};

// TIFF's orientations as a mirror of the stored picture (left to right), or none, followed
// by a number of quarter turns clockwise, indexed by that pair.
constexpr uint16_t kOrientationOf[2][4] = {{1, 6, 3, 8}, {2, 7, 4, 5}};

}  // namespace

uint16_t turnedOrientation(uint16_t orientation, int quarterTurns) {
    if (orientation < 1 || orientation > 8) orientation = 1;
    for (int mirror = 0; mirror < 2; ++mirror)
        for (int quarters = 0; quarters < 4; ++quarters)
            if (kOrientationOf[mirror][quarters] == orientation)
                return kOrientationOf[mirror][((quarters + quarterTurns) % 4 + 4) % 4];
    return 1;
}

int storedQuarterTurns(uint16_t orientation, int quarterTurns) {
    const int turns = orientationMirrors(orientation) ? -quarterTurns : quarterTurns;
    return (turns % 4 + 4) % 4;
}

void turnPixels(const uint8_t* in, size_t inStride, uint32_t width, uint32_t height, uint32_t bits,
                uint16_t orientation, uint8_t* out, size_t outStride) {
    const bool swap = orientationSwapsSides(orientation);
    const uint32_t outWidth = swap ? height : width, outHeight = swap ? width : height;
    const SourceOf source{orientation, width, height};
    const size_t bytes = bits / 8;
    const uint32_t mask = (1u << (bits < 8 ? bits : 1)) - 1;
    for (uint32_t y = 0; y < outHeight; ++y) {
        // Along an output row the source moves by a fixed step: one of its rows or columns.
        const auto [x0, y0] = source(0, y);
        const auto [x1, y1] = outWidth > 1 ? source(1, y) : source(0, y);
        const int64_t stepX = int64_t{x1} - x0, stepY = int64_t{y1} - y0;
        uint8_t* to = out + y * outStride;
        int64_t sx = x0, sy = y0;
        for (uint32_t x = 0; x < outWidth; ++x, sx += stepX, sy += stepY) {
            const uint8_t* from = in + static_cast<size_t>(sy) * inStride;
            if (bits >= 8) {
                std::memcpy(to + x * bytes, from + static_cast<size_t>(sx) * bytes, bytes);
                continue;
            }
            const size_t at = static_cast<size_t>(sx) * bits, put = size_t{x} * bits;
            const uint32_t value = (from[at >> 3] >> (8 - bits - (at & 7))) & mask;
            if (value) to[put >> 3] |= static_cast<uint8_t>(value << (8 - bits - (put & 7)));
        }
    }
}

GpStatus turnUpright(Frame& frame) {
    const uint16_t orientation = frame.meta.orientation;
    if (frame.empty() || orientation <= 1 || orientation > 8) return Ok;
    const bool swap = orientationSwapsSides(orientation);
    Frame upright;
    const GpStatus status = allocateFrame(upright, swap ? frame.height : frame.width,
                                          swap ? frame.width : frame.height, frame.pixelClass);
    if (status != Ok) return status;
    turnPixels(frame.row(0), frame.stride, frame.width, frame.height,
               static_cast<uint32_t>(bitsPerPixel(frame.pixelClass)), orientation, upright.row(0), upright.stride);
    upright.palette = std::move(frame.palette);
    upright.dpiX = swap ? frame.dpiY : frame.dpiX;
    upright.dpiY = swap ? frame.dpiX : frame.dpiY;
    upright.warning = std::move(frame.warning);
    upright.meta = std::move(frame.meta);
    if (swap) std::swap(upright.meta.aspectX, upright.meta.aspectY);
    frame = std::move(upright);
    return Ok;
}

GpStatus turnFrame(Frame& frame, int quarterTurns) {
    const uint16_t stored = frame.meta.orientation;
    frame.meta.orientation = turnedOrientation(1, quarterTurns);
    const GpStatus status = turnUpright(frame);
    frame.meta.orientation = stored;
    return status;
}

}  // namespace gdip
