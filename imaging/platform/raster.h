// A decoded frame in one of the four pixel classes the back end keeps, and the row access
// that drawing and scaling build on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gdiplus_flat.h"
#include "page_metadata.h"

namespace gdip {

// Memory layout of one pixel per class:
//   Indexed1 - 1 bit, most significant bit first, index into the palette
//   Indexed8 - 1 byte, index into the palette
//   Rgb24    - bytes B, G, R
//   Argb32   - one native-endian 0xAARRGGBB word, not premultiplied
enum class PixelClass { Indexed1, Indexed8, Rgb24, Argb32 };

PixelFormat pixelFormatOf(PixelClass pixelClass);
size_t bitsPerPixel(PixelClass pixelClass);

// Pixels come from calloc: the system hands out zeroed pages that cost nothing until they
// are written, so a mostly empty canvas or a page whose data ends early stays cheap.
// Frames of a megabyte or more are mapped pages of their own (`mapped` their length), so
// that freeing one hands it back to the system at once, whichever thread made it; smaller
// ones come from the heap.
struct PixelsFree {
    size_t mapped = 0;
    void operator()(uint8_t* pixels) const;
};

struct Frame {
    uint32_t width = 0;
    uint32_t height = 0;
    PixelClass pixelClass = PixelClass::Rgb24;
    size_t stride = 0;  // bytes per row, a multiple of 4
    std::unique_ptr<uint8_t[], PixelsFree> pixels;
    std::vector<ARGB> palette;  // for the indexed classes
    double dpiX = 0;            // dots per inch; 0 when the file has none
    double dpiY = 0;
    std::string warning;  // what the codec library read past in this frame, in its words
    std::string failure;  // of an empty frame: why it could not be had, in those words
    bool rendered = false;     // a document's page drawn by its renderer
    bool textLeftOut = false;  // text over the page's picture, not seen, is not in the pixels
    PageMetadata meta;

    bool empty() const { return !pixels; }
    uint8_t* row(uint32_t y) { return pixels.get() + y * stride; }
    const uint8_t* row(uint32_t y) const { return pixels.get() + y * stride; }
};

// A picture as an encoder takes it, a row at a time: a frame held whole, or one whose rows
// are made when they are asked for (a page drawn at another size as it is written), so that
// the picture is never whole in memory.
struct PictureRows {
    // Size, class, palette, resolution and facts; its pixels are absent when rows are made.
    const Frame* header = nullptr;
    // Makes row `y` into `scratch` (the header's stride bytes) and returns it, or returns a
    // row of its own that holds until the same thread asks for another. Rows may be asked
    // for in any order, from several threads at once, each with a scratch of its own.
    std::function<const uint8_t*(uint32_t y, uint8_t* scratch)> make;

    const uint8_t* row(uint32_t y, uint8_t* scratch) const { return make ? make(y, scratch) : header->row(y); }
    // Whether rows must be made, so that a caller needs scratch for them.
    bool made() const { return static_cast<bool>(make); }
};

inline PictureRows rowsOf(const Frame& frame) { return {&frame, {}}; }

// Whether `rows` describe a picture whose rows can be had: made, or held by the frame.
inline bool rowsUsable(const PictureRows& rows) { return rows.header && (rows.made() || !rows.header->empty()); }

// Bytes of one row of `width` pixels in `pixelClass`, as frames lay rows out.
size_t rowStride(uint32_t width, PixelClass pixelClass);

// A page of 16-bit samples, kept whole for the outputs that hold them (TIFF and PDF) when
// nothing may be lost: grey or RGB, each pixel its colour samples then, when it has one, its
// alpha (not premultiplied). The frames above hold 8 bits a sample, which is what drawing,
// scaling and the 8-bit formats need.
struct DeepFrame {
    uint32_t width = 0;
    uint32_t height = 0;
    uint8_t colours = 1;  // 1 grey, 3 RGB
    bool alpha = false;
    std::vector<uint16_t> samples;  // rows without padding, in the machine's byte order
    double dpiX = 0;
    double dpiY = 0;
    PageMetadata meta;

    size_t channels() const { return colours + (alpha ? 1u : 0u); }
    size_t rowSamples() const { return size_t{width} * channels(); }
    uint16_t* row(uint32_t y) { return samples.data() + y * rowSamples(); }
    const uint16_t* row(uint32_t y) const { return samples.data() + y * rowSamples(); }
};

// Checks the size against Limits and allocates zeroed samples; as allocateFrame.
[[nodiscard]] GpStatus allocateDeepFrame(DeepFrame& frame, uint32_t width, uint32_t height, uint8_t colours, bool alpha);

// True when a frame of this size and class may be allocated: its pixels and its bytes
// within Limits.
bool frameAllowed(uint64_t width, uint64_t height, PixelClass pixelClass);

// Why a frame of this size cannot be had, for a decoder that refuses it from its header.
std::string oversizedFrameReason(uint64_t width, uint64_t height);

// Checks the size against Limits and allocates zeroed pixels (black, or palette index 0).
// Returns Ok, InvalidParameter (size refused, and the frame's `failure` says so) or
// OutOfMemory; on failure the frame is empty.
[[nodiscard]] GpStatus allocateFrame(Frame& frame, uint32_t width, uint32_t height, PixelClass pixelClass);

// A palette of 2^bits grey levels from black to white.
std::vector<ARGB> greyPalette(unsigned bits);

// Converts pixels [x0, x0 + count) of row y to ARGB words.
void readArgbRow(const Frame& frame, uint32_t y, uint32_t x0, uint32_t count, ARGB* out);
// The same for `row`, a row laid out as `frame`'s are (its class and palette).
void readArgbPixels(const Frame& frame, const uint8_t* row, uint32_t x0, uint32_t count, ARGB* out);

// Colour of one pixel as ARGB.
ARGB pixelAt(const Frame& frame, uint32_t x, uint32_t y);

// Pixels `columns` of `row`, a row laid out as `header`'s are (its class and palette), as
// ARGB words: a row scaled nearest neighbour without the rest of its page.
void gatherArgb(const Frame& header, const uint8_t* row, const std::vector<uint32_t>& columns, ARGB* out);

// True when no pixel of the frame can be transparent (from its class and palette alone).
bool frameOpaque(const Frame& frame);

}  // namespace gdip
