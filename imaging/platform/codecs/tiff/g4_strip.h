// CCITT Group 4 coding of a bilevel page in one strip, done here rather than by libtiff's fax
// coder: rows are scanned a machine word at a time for their colour changes, and since each
// row is coded against the one above it alone, bands of rows are coded on several cores and
// their bits joined in order; the stream is the same whatever the number of bands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "../../gdiplus_flat.h"

typedef struct tiff TIFF;

namespace gdip::codecs {

// Appends to `out` the Group 4 stream of `height` rows of `width` pixels at `rows`, each
// `lineBytes` long, most significant bit first, a 0 bit coded as white (as TIFF stores it
// whatever the photometric tag says): the rows' codes, then the end-of-facsimile-block
// code, padded with 0 bits to a whole byte. OutOfMemory when a band's stream cannot be held.
[[nodiscard]] GpStatus compressG4(const uint8_t* rows, size_t lineBytes, uint32_t width, uint32_t height,
                                  std::vector<uint8_t>& out);

// Writes the rows as the one strip of the directory being filled in `tif`, whose tags say
// Group 4 and one strip; in the bit order its FillOrder tag asks for.
[[nodiscard]] GpStatus writeG4Strip(TIFF* tif, const uint8_t* rows, size_t lineBytes, uint32_t width, uint32_t height);

}  // namespace gdip::codecs
