#include "lightness.h"

namespace gdip {

std::array<uint8_t, 256> paletteLightness(const Frame& frame) {
    std::array<uint8_t, 256> light{};
    for (size_t i = 0; i < frame.palette.size() && i < light.size(); ++i) {
        const uint32_t c = frame.palette[i];
        light[i] = lightness((c >> 16) & 255, (c >> 8) & 255, c & 255);
    }
    return light;
}

void lightnessRow(const Frame& frame, const std::array<uint8_t, 256>& palette, uint32_t y, uint8_t* out) {
    const uint8_t* row = frame.row(y);
    switch (frame.pixelClass) {
        case PixelClass::Indexed1:
            for (uint32_t x = 0; x < frame.width; ++x) out[x] = palette[(row[x >> 3] >> (7 - (x & 7))) & 1];
            break;
        case PixelClass::Indexed8:
            for (uint32_t x = 0; x < frame.width; ++x) out[x] = palette[row[x]];
            break;
        case PixelClass::Rgb24:  // blue, green, red
            for (uint32_t x = 0; x < frame.width; ++x) out[x] = lightness(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
            break;
        case PixelClass::Argb32:
            for (uint32_t x = 0; x < frame.width; ++x) {
                const uint32_t c = reinterpret_cast<const uint32_t*>(row)[x];
                out[x] = (c >> 24) == 0 ? 255 : lightness((c >> 16) & 255, (c >> 8) & 255, c & 255);
            }
            break;
    }
}

}  // namespace gdip
