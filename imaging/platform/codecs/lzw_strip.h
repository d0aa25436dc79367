// TIFF's LZW for one strip at a time, with no state shared between strips, so that the
// strips of a page can be compressed on several cores and written in order afterwards, and
// read back without libtiff's per-byte chain walk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace gdip::codecs {

// Appends the LZW code stream of `size` bytes at `data` to `out`: a clear code first, codes
// of 9 to 12 bits written most significant bit first, the width growing one code early as
// TIFF readers expect, the table cleared when full, and an end-of-information code.
void compressLzwStrip(const uint8_t* data, size_t size, std::vector<uint8_t>& out);

// Decodes the code stream of `size` bytes at `data` into exactly `outSize` bytes at `out`.
// True only for a stream as TIFF's writers make it (new-style codes, most significant bit
// first, the table cleared before it overflows) that fills `out` before or at its end code.
// Anything else (old-style codes, a code not yet in the table, too little data) returns
// false with `out` in no defined state, so that the caller can hand the strip to a reader
// that knows how to report or mend it.
bool decompressLzwStrip(const uint8_t* data, size_t size, uint8_t* out, size_t outSize);

}  // namespace gdip::codecs
