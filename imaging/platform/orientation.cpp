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

}  // namespace

GpStatus turnUpright(Frame& frame) {
    const uint16_t orientation = frame.meta.orientation;
    if (frame.empty() || orientation <= 1 || orientation > 8) return Ok;
    const bool swap = orientationSwapsSides(orientation);
    Frame upright;
    const GpStatus status = allocateFrame(upright, swap ? frame.height : frame.width,
                                          swap ? frame.width : frame.height, frame.pixelClass);
    if (status != Ok) return status;
    const SourceOf source{orientation, frame.width, frame.height};
    const size_t bytes = bitsPerPixel(frame.pixelClass) / 8;  // whole bytes; bilevel apart
    for (uint32_t y = 0; y < upright.height; ++y) {
        uint8_t* to = upright.row(y);
        for (uint32_t x = 0; x < upright.width; ++x) {
            const auto [sx, sy] = source(x, y);
            const uint8_t* from = frame.row(sy);
            if (frame.pixelClass == PixelClass::Indexed1) {
                // Rows come zeroed: only the set bits need writing.
                if (from[sx >> 3] & (0x80 >> (sx & 7))) to[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
            } else {
                std::memcpy(to + x * bytes, from + sx * bytes, bytes);
            }
        }
    }
    upright.palette = std::move(frame.palette);
    upright.dpiX = swap ? frame.dpiY : frame.dpiX;
    upright.dpiY = swap ? frame.dpiX : frame.dpiY;
    upright.warning = std::move(frame.warning);
    upright.meta = std::move(frame.meta);
    if (swap) std::swap(upright.meta.aspectX, upright.meta.aspectY);
    frame = std::move(upright);
    return Ok;
}

}  // namespace gdip
