// TIFF's LZW for one strip at a time, with no state shared between strips, so that the
// strips of a page can be compressed on several cores and written in order afterwards.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace gdip::codecs {

// Appends the LZW code stream of `size` bytes at `data` to `out`: a clear code first, codes
// of 9 to 12 bits written most significant bit first, the width growing one code early as
// TIFF readers expect, the table cleared when full, and an end-of-information code.
void compressLzwStrip(const uint8_t* data, size_t size, std::vector<uint8_t>& out);

}  // namespace gdip::codecs
