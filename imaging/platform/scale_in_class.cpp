#include "scale_in_class.h"

#include <vector>

namespace gdip {
namespace {

uint32_t bytesPerPixel(PixelClass pixelClass) {
    switch (pixelClass) {
        case PixelClass::Rgb24: return 3;
        case PixelClass::Argb32: return 4;
        default: return 1;
    }
}

}  // namespace

GpStatus scaleInClass(const Frame& source, uint32_t width, uint32_t height, double dpiScale, Frame& out) {
    if (source.empty() || width == 0 || height == 0) return InvalidParameter;
    Frame result;
    if (const GpStatus status = allocateFrame(result, width, height, source.pixelClass); status != Ok)
        return status;
    result.palette = source.palette;
    result.dpiX = source.dpiX * dpiScale;
    result.dpiY = source.dpiY * dpiScale;
    result.meta = source.meta;
    result.meta.aspectX *= dpiScale;
    result.meta.aspectY *= dpiScale;
    // The source column under each target column's centre, computed once per page.
    std::vector<uint32_t> columns(width);
    for (uint32_t x = 0; x < width; ++x)
        columns[x] = nearestSource(x, source.width, width);
    const uint32_t bytes = bytesPerPixel(source.pixelClass);
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* from = source.row(nearestSource(y, source.height, height));
        uint8_t* to = result.row(y);
        if (source.pixelClass == PixelClass::Indexed1) {
            // Rows come zeroed: only the set bits need writing.
            for (uint32_t x = 0; x < width; ++x)
                if (from[columns[x] >> 3] & (0x80 >> (columns[x] & 7))) to[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
            continue;
        }
        for (uint32_t x = 0; x < width; ++x)
            for (uint32_t b = 0; b < bytes; ++b) to[x * bytes + b] = from[columns[x] * bytes + b];
    }
    out = std::move(result);
    return Ok;
}

}  // namespace gdip
