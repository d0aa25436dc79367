#include "raster.h"

#include <sys/mman.h>

#include <cstring>
#include <new>
#include <string>

#include "argb.h"
#include "image_limits.h"

namespace gdip {

PixelFormat pixelFormatOf(PixelClass pixelClass) {
    switch (pixelClass) {
        case PixelClass::Indexed1: return PixelFormat1bppIndexed;
        case PixelClass::Indexed8: return PixelFormat8bppIndexed;
        case PixelClass::Rgb24: return PixelFormat24bppRGB;
        case PixelClass::Argb32: return PixelFormat32bppARGB;
    }
    return PixelFormat24bppRGB;
}

size_t bitsPerPixel(PixelClass pixelClass) {
    switch (pixelClass) {
        case PixelClass::Indexed1: return 1;
        case PixelClass::Indexed8: return 8;
        case PixelClass::Rgb24: return 24;
        case PixelClass::Argb32: return 32;
    }
    return 32;
}

namespace {

uint64_t strideOf(uint64_t width, PixelClass pixelClass) {
    return ((width * bitsPerPixel(pixelClass) + 31) / 32) * 4;
}

}  // namespace

size_t rowStride(uint32_t width, PixelClass pixelClass) { return static_cast<size_t>(strideOf(width, pixelClass)); }

bool frameAllowed(uint64_t width, uint64_t height, PixelClass pixelClass) {
    return frameSizeAllowed(width, height) &&
           strideOf(width, pixelClass) * height <= Limits::kMaxFrameBytes;
}

void PixelsFree::operator()(uint8_t* pixels) const {
    if (mapped != 0)
        ::munmap(pixels, mapped);
    else
        std::free(pixels);
}

namespace {

// Zeroed pixels; the heap keeps freed blocks for reuse (per thread, and up to tens of
// megabytes each), so whole pages are mapped directly instead.
std::unique_ptr<uint8_t[], PixelsFree> zeroedPixels(size_t bytes) {
    constexpr size_t kMappedFrom = size_t{1} << 20;
    if (bytes < kMappedFrom)
        return std::unique_ptr<uint8_t[], PixelsFree>(static_cast<uint8_t*>(std::calloc(bytes, 1)));
    void* mapped = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) return nullptr;
    // A page of a document is written whole right away: large pages spare thousands of page
    // faults per frame (advice only; the system may ignore it).
    constexpr size_t kLargePagesFrom = size_t{4} << 20;
    if (bytes >= kLargePagesFrom) (void)::madvise(mapped, bytes, MADV_HUGEPAGE);
    // For the same reason its memory is had in one call rather than a fault at a time, which
    // in a virtual machine cost a fifth of listing a fax's pages (older systems ignore it).
    (void)::madvise(mapped, bytes, MADV_POPULATE_WRITE);
    return std::unique_ptr<uint8_t[], PixelsFree>(static_cast<uint8_t*>(mapped), PixelsFree{bytes});
}

}  // namespace

std::string oversizedFrameReason(uint64_t width, uint64_t height) {
    return std::to_string(width) + " x " + std::to_string(height) + " pixels: over the size limit of one picture";
}

GpStatus allocateFrame(Frame& frame, uint32_t width, uint32_t height, PixelClass pixelClass) {
    frame.pixels.reset();
    frame.width = frame.height = 0;
    if (!frameAllowed(width, height, pixelClass)) {
        frame.failure = oversizedFrameReason(width, height);
        return InvalidParameter;
    }
    const uint64_t stride = strideOf(width, pixelClass);
    auto pixels = zeroedPixels(static_cast<size_t>(stride * height));
    if (!pixels) return OutOfMemory;
    frame.pixels = std::move(pixels);
    frame.width = width;
    frame.height = height;
    frame.pixelClass = pixelClass;
    frame.stride = static_cast<size_t>(stride);
    return Ok;
}

GpStatus allocateDeepFrame(DeepFrame& frame, uint32_t width, uint32_t height, uint8_t colours, bool alpha) {
    frame.samples.clear();
    frame.width = frame.height = 0;
    const uint64_t channels = colours + (alpha ? 1u : 0u);
    if (width == 0 || height == 0 || width > Limits::kMaxSide || height > Limits::kMaxSide ||
        uint64_t{width} * height > Limits::kMaxFramePixels ||
        uint64_t{width} * height * channels * 2 > Limits::kMaxFrameBytes)
        return InvalidParameter;
    try {
        frame.samples.assign(static_cast<size_t>(uint64_t{width} * height * channels), 0);
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
    frame.width = width;
    frame.height = height;
    frame.colours = colours;
    frame.alpha = alpha;
    return Ok;
}

std::vector<ARGB> greyPalette(unsigned bits) {
    const unsigned levels = 1u << bits;
    std::vector<ARGB> palette(levels);
    for (unsigned i = 0; i < levels; ++i) {
        const uint32_t v = i * 255 / (levels - 1);
        palette[i] = opaque(v, v, v);
    }
    return palette;
}

namespace {

ARGB paletteEntry(const Frame& frame, unsigned index) {
    // An index past a short palette reads as opaque black, as a viewer would show it.
    return index < frame.palette.size() ? frame.palette[index] : 0xFF000000u;
}

}  // namespace

void readArgbRow(const Frame& frame, uint32_t y, uint32_t x0, uint32_t count, ARGB* out) {
    readArgbPixels(frame, frame.row(y), x0, count, out);
}

void readArgbPixels(const Frame& frame, const uint8_t* row, uint32_t x0, uint32_t count, ARGB* out) {
    switch (frame.pixelClass) {
        case PixelClass::Indexed1: {
            // Bilevel pages are the common case: eight pixels per byte from two colours.
            const ARGB colours[2] = {paletteEntry(frame, 0), paletteEntry(frame, 1)};
            uint32_t i = 0, x = x0;
            for (; i < count && (x & 7) != 0; ++i, ++x) out[i] = colours[(row[x >> 3] >> (7 - (x & 7))) & 1];
            for (; i + 8 <= count; i += 8, x += 8) {
                const uint8_t bits = row[x >> 3];
                for (int b = 0; b < 8; ++b) out[i + b] = colours[(bits >> (7 - b)) & 1];
            }
            for (; i < count; ++i, ++x) out[i] = colours[(row[x >> 3] >> (7 - (x & 7))) & 1];
            break;
        }
        case PixelClass::Indexed8:
            for (uint32_t i = 0; i < count; ++i) out[i] = paletteEntry(frame, row[x0 + i]);
            break;
        case PixelClass::Rgb24: {
            const uint8_t* p = row + size_t{x0} * 3;
            for (uint32_t i = 0; i < count; ++i, p += 3)
                out[i] = opaque(p[2], p[1], p[0]);
            break;
        }
        case PixelClass::Argb32:
            std::memcpy(out, row + size_t{x0} * 4, size_t{count} * 4);
            break;
    }
}

ARGB pixelAt(const Frame& frame, uint32_t x, uint32_t y) {
    ARGB value = 0;
    readArgbRow(frame, y, x, 1, &value);
    return value;
}

void gatherArgb(const Frame& header, const uint8_t* row, const std::vector<uint32_t>& columns, ARGB* out) {
    switch (header.pixelClass) {
        case PixelClass::Indexed1: {
            const ARGB colours[2] = {paletteEntry(header, 0), paletteEntry(header, 1)};
            for (size_t i = 0; i < columns.size(); ++i) {
                const uint32_t x = columns[i];
                out[i] = colours[(row[x >> 3] >> (7 - (x & 7))) & 1];
            }
            break;
        }
        case PixelClass::Indexed8:
            for (size_t i = 0; i < columns.size(); ++i) out[i] = paletteEntry(header, row[columns[i]]);
            break;
        case PixelClass::Rgb24:
            for (size_t i = 0; i < columns.size(); ++i) {
                const uint8_t* p = row + size_t{columns[i]} * 3;
                out[i] = opaque(p[2], p[1], p[0]);
            }
            break;
        case PixelClass::Argb32:
            for (size_t i = 0; i < columns.size(); ++i) std::memcpy(out + i, row + size_t{columns[i]} * 4, 4);
            break;
    }
}

bool frameOpaque(const Frame& frame) {
    if (frame.pixelClass == PixelClass::Rgb24) return true;
    if (frame.pixelClass == PixelClass::Argb32) return false;
    // An index past a short palette reads as opaque black.
    for (ARGB c : frame.palette)
        if (alphaOf(c) != 255) return false;
    return true;
}

}  // namespace gdip
