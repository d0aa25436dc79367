// PNG of 8-bit RGB or RGBA written by our own chunk writer, its image data compressed in
// bands of rows on several cores: each band is a deflate run primed with the 32 KiB before
// it and closed on a byte boundary, so the bands join into one standard zlib stream. Band
// boundaries depend only on the picture, never on the number of cores: the same bytes on
// one core or four.
#pragma once

#include <cstdint>
#include <cstdio>

#include "../raster.h"

namespace gdip::codecs {

// Writes a 24-bit frame as RGB, a 32-bit one as RGBA and an indexed one (with an opaque
// palette) as RGB, with a pHYs chunk when both densities are set; false when a write or the
// compressor failed.
bool writePngInBands(std::FILE* stream, const Frame& frame, uint32_t pixelsPerMetreX, uint32_t pixelsPerMetreY);

}  // namespace gdip::codecs
