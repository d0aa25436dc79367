// Compressing the strips of a TIFF page independently of each other (see lzw_strip.h), and
// TIFF's horizontal predictor, which turns smooth rows into runs of small differences.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "../../gdiplus_flat.h"

namespace gdip::codecs {

enum class StripCoding { Lzw, Deflate };

// Appends the compressed `size` bytes at `data` to `out`: an LZW code stream, or a zlib stream
// as TIFF's deflate compression stores it. OutOfMemory when the compressor had too little
// memory, GenericError when it failed otherwise.
[[nodiscard]] GpStatus compressStrip(StripCoding coding, const uint8_t* data, size_t size, std::vector<uint8_t>& out);

// Replaces each sample of 8-bit rows by its difference from the same sample one pixel to
// the left (the first pixel of a row stays), as TIFF readers undo for predictor 2.
void differenceRows(uint8_t* rows, uint32_t rowCount, size_t lineBytes, uint32_t samplesPerPixel);

// The inverse: adds each sample to the one one pixel to its left, from the left.
void accumulateRows(uint8_t* rows, uint32_t rowCount, size_t lineBytes, uint32_t samplesPerPixel);

}  // namespace gdip::codecs
