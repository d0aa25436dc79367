#include "ink_share.h"

#include <algorithm>
#include <array>

#include "lightness.h"

namespace gdip {

InkShare measureInk(const Frame& frame) {
    InkShare share;
    if (frame.empty()) return share;
    const uint32_t marginX = frame.width / 100, marginY = frame.height / 100;
    const uint32_t x0 = marginX, x1 = frame.width - marginX, y0 = marginY, y1 = frame.height - marginY;
    const uint64_t pixels = uint64_t{x1 - x0} * (y1 - y0);
    if (pixels == 0) return share;
    const std::array<uint8_t, 256> palette = paletteLightness(frame);
    // One pass for the histogram of lightness; the paper and the dark ones are read off it.
    std::array<uint64_t, 256> histogram{};
    for (uint32_t y = y0; y < y1; ++y) {
        const uint8_t* row = frame.row(y);
        switch (frame.pixelClass) {
            case PixelClass::Indexed1: {
                uint64_t set = 0;
                uint32_t x = x0;
                for (; x < x1 && (x & 7) != 0; ++x) set += (row[x >> 3] >> (7 - (x & 7))) & 1;
                for (; x + 8 <= x1; x += 8) set += static_cast<uint64_t>(__builtin_popcount(row[x >> 3]));
                for (; x < x1; ++x) set += (row[x >> 3] >> (7 - (x & 7))) & 1;
                histogram[palette[1]] += set;
                histogram[palette[0]] += (x1 - x0) - set;
                break;
            }
            case PixelClass::Indexed8:
                for (uint32_t x = x0; x < x1; ++x) ++histogram[palette[row[x]]];
                break;
            case PixelClass::Rgb24:  // blue, green, red
                for (uint32_t x = x0; x < x1; ++x) ++histogram[lightness(row[3 * x + 2], row[3 * x + 1], row[3 * x])];
                break;
            case PixelClass::Argb32:  // 0xAARRGGBB; transparent is paper
                for (uint32_t x = x0; x < x1; ++x) {
                    const uint32_t c = reinterpret_cast<const uint32_t*>(row)[x];
                    ++histogram[(c >> 24) == 0 ? 255 : lightness((c >> 16) & 255, (c >> 8) & 255, c & 255)];
                }
                break;
        }
    }
    uint64_t seen = 0;
    int paper = 255;
    for (int level = 0; level < 256; ++level) {
        seen += histogram[level];
        if (seen * 2 >= pixels) {
            paper = level;
            break;
        }
    }
    share.paper = static_cast<uint8_t>(paper);
    const int darkBelow = paper - std::max(paper / 3, 48);
    uint64_t dark = 0;
    for (int level = 0; level < darkBelow; ++level) dark += histogram[level];
    share.dark = static_cast<double>(dark) / static_cast<double>(pixels);
    return share;
}

}  // namespace gdip
