// PNG of 8-bit RGB or RGBA written by our own chunk writer, its image data compressed in
// bands of rows on several cores (filtered_deflate.h).
#pragma once

#include <cstdint>
#include <cstdio>

#include "../gdiplus_flat.h"
#include "../raster.h"

namespace gdip::codecs {

// The RGB triple of each palette entry (256 entries, unused ones black), and row `y` of an
// indexed frame as RGB through that table.
void paletteRgbTable(const Frame& frame, uint8_t (&table)[3 * 256]);
void indexedRowToRgb(const Frame& frame, uint32_t y, const uint8_t* table, uint8_t* out);

// A resolution without unit as pHYs numbers; zero when the page has none.
struct PngAspect {
    uint32_t x = 0;
    uint32_t y = 0;
};
PngAspect pngAspect(const PageMetadata& meta);

// Writes a 24-bit picture as RGB, a 32-bit frame as RGBA and an indexed one (with an opaque
// palette) as RGB, with a pHYs chunk when both densities are set (else the pixels'
// aspect, when known) and the page's colour profile when it is an RGB one. Win32Error when a write
// failed, OutOfMemory when memory did, GenericError when the compressor failed otherwise.
[[nodiscard]] GpStatus writePngInBands(std::FILE* stream, const PictureRows& picture, uint32_t pixelsPerMetreX,
                                       uint32_t pixelsPerMetreY);

}  // namespace gdip::codecs
