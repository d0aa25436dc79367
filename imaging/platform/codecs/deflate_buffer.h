// One buffer deflated into a zlib stream, for the places that hold the whole input at once: a
// TIFF strip, a colour profile in a PNG or a PDF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "../gdiplus_flat.h"

namespace gdip::codecs {

// Appends the zlib stream of `size` bytes at `data`, deflated at `level` (zlib's 0 to 9, or
// Z_DEFAULT_COMPRESSION), to `out`. OutOfMemory or GenericError, `out` as it was, on failure.
[[nodiscard]] GpStatus deflateBuffer(const uint8_t* data, size_t size, int level, std::vector<uint8_t>& out);

}  // namespace gdip::codecs
