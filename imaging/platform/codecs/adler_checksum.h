// The Adler-32 checksum that ends a zlib stream, worked out sixteen bytes at a time: a
// PNG's bands are summed before they are compressed, and zlib's own loop, a byte at a time,
// took a sixteenth of the time of writing a large page.
#pragma once

#include <cstddef>
#include <cstdint>

namespace gdip::codecs {

// The checksum `adler` (1 to begin with) continued over the `size` bytes at `data`: the
// value zlib's adler32 gives.
uint32_t adlerChecksum(uint32_t adler, const uint8_t* data, size_t size);

}  // namespace gdip::codecs
