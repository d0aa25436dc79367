#include "orientation.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "parallel_bands.h"

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

namespace {

// The 8 x 8 bits in `rows` (row 0 the most significant byte, pixel 0 the most significant
// bit of each) transposed: byte j of the result holds column j, row 0 in its top bit.
uint64_t transposeBits(uint64_t rows) {
    uint64_t t = (rows ^ (rows >> 7)) & 0x00AA00AA00AA00AAull;
    rows ^= t ^ (t << 7);
    t = (rows ^ (rows >> 14)) & 0x0000CCCC0000CCCCull;
    rows ^= t ^ (t << 14);
    t = (rows ^ (rows >> 28)) & 0x00000000F0F0F0F0ull;
    return rows ^ t ^ (t << 28);
}

uint8_t reversedBits(uint8_t b) {
    b = static_cast<uint8_t>((b & 0xF0) >> 4 | (b & 0x0F) << 4);
    b = static_cast<uint8_t>((b & 0xCC) >> 2 | (b & 0x33) << 2);
    return static_cast<uint8_t>((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

void turnBitColumns(const uint8_t* in, size_t inStride, uint32_t width, uint32_t height, bool clockwise, size_t first,
                    size_t end, uint8_t* out, size_t outStride);

// Bilevel pages (faxes) turned a quarter eight rows and eight columns at a time, the turn
// of half a page a byte at a time: bit by bit, a 200-page fax takes seconds.
void turnBits(const uint8_t* in, size_t inStride, uint32_t width, uint32_t height, uint16_t orientation,
              uint8_t* out, size_t outStride) {
    const size_t inBytes = (size_t{width} + 7) / 8;
    if (orientation == 3) {
        const uint32_t pad = static_cast<uint32_t>(inBytes * 8 - width);
        for (uint32_t y = 0; y < height; ++y) {
            const uint8_t* from = in + size_t{height - 1 - y} * inStride;
            uint8_t* to = out + size_t{y} * outStride;
            for (size_t k = 0; k < inBytes; ++k) to[k] = reversedBits(from[inBytes - 1 - k]);
            if (pad == 0) continue;
            // The row's padding came first: the pixels move `pad` bits to the front.
            for (size_t k = 0; k < inBytes; ++k)
                to[k] = static_cast<uint8_t>(to[k] << pad | (k + 1 < inBytes ? to[k + 1] >> (8 - pad) : 0));
        }
        return;
    }
    // 6: output row j is stored column j, read from the bottom row up; 8: output row j is
    // stored column width - 1 - j, read from the top row down.
    const bool clockwise = orientation == 6;
    const size_t outBytes = (size_t{height} + 7) / 8;
    // Each band writes its own bytes of every output row: bands run on several cores.
    constexpr size_t kMinBytesPerBand = 32;
    const size_t bands = std::max<size_t>(1, std::min<size_t>(GdipWorkerCount(), outBytes / kMinBytesPerBand));
    (void)runBands(bands, [&](size_t band) {
        turnBitColumns(in, inStride, width, height, clockwise, outBytes * band / bands, outBytes * (band + 1) / bands,
                       out, outStride);
        return Ok;
    });
}

// Output bytes [first, end) of every row of a quarter turn of a bilevel page.
void turnBitColumns(const uint8_t* in, size_t inStride, uint32_t width, uint32_t height, bool clockwise, size_t first,
                    size_t end, uint8_t* out, size_t outStride) {
    const size_t inBytes = (size_t{width} + 7) / 8;
    for (size_t k = first; k < end; ++k) {
        for (size_t c = 0; c < inBytes; ++c) {
            uint64_t block = 0;
            for (uint32_t i = 0; i < 8; ++i) {
                const int64_t row = clockwise ? int64_t{height} - 1 - int64_t(8 * k + i) : int64_t(8 * k + i);
                const uint8_t byte = row >= 0 && row < height ? in[static_cast<size_t>(row) * inStride + c] : 0;
                block |= uint64_t{byte} << (8 * (7 - i));
            }
            if (block == 0) continue;  // the output rows came zeroed
            const uint64_t columns = transposeBits(block);
            for (uint32_t j = 0; j < 8; ++j) {
                const int64_t column = int64_t(8 * c + j);
                if (column >= width) break;
                const int64_t y = clockwise ? column : int64_t{width} - 1 - column;
                out[static_cast<size_t>(y) * outStride + k] = static_cast<uint8_t>(columns >> (8 * (7 - j)));
            }
        }
    }
}

}  // namespace

void turnPixels(const uint8_t* in, size_t inStride, uint32_t width, uint32_t height, uint32_t bits,
                uint16_t orientation, uint8_t* out, size_t outStride) {
    if (bits == 1 && (orientation == 3 || orientation == 6 || orientation == 8)) {
        turnBits(in, inStride, width, height, orientation, out, outStride);
        return;
    }
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
