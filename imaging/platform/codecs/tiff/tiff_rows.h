// The scan layouts of TIFF pages read as stored (bilevel, grey, palette, 8-bit RGB with or
// without alpha), and the conversion of one stored row into a row of the page's frame: one
// small function per layout. Every other layout goes through libtiff's RGBA reader.
#pragma once

#include <tiffio.h>

#include <cstdint>

#include "../../raster.h"

namespace gdip::codecs {

// The fields of a page's directory that decide how it is read.
struct PageLayout {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t bitsPerSample = 1;
    uint16_t samplesPerPixel = 1;
    uint16_t photometric = PHOTOMETRIC_MINISWHITE;
    uint16_t planar = PLANARCONFIG_CONTIG;
    uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    uint16_t compression = COMPRESSION_NONE;
    uint16_t extraAlpha = EXTRASAMPLE_UNSPECIFIED;  // kind of the first extra sample
    uint16_t extraCount = 0;
};

enum class Direct { Bilevel, Grey, Palette, GreyAlpha, Rgb, Rgba };

// False when the page's layout is not one read as stored.
bool pickDirect(const PageLayout& l, Direct& kind);

// The pixel class of the frame a page of that layout is read into.
PixelClass directPixelClass(Direct kind, const PageLayout& l);

// Turns the stored row `src` into the frame row `dst` (`l.width` pixels).
using RowConversion = void (*)(const uint8_t* src, uint8_t* dst, const PageLayout& l);
RowConversion rowConversion(Direct kind, const PageLayout& l);

// A colour sample premultiplied by `alpha`, back as it was before.
uint8_t unpremultiply(uint32_t value, uint32_t alpha);

}  // namespace gdip::codecs
