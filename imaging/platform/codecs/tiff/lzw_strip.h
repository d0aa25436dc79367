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

// Reads LZW strips, one after another, into a buffer of its own that holds every
// single-byte string just before the decoded bytes, so that each string of the table is
// an offset into one block.
class LzwStripReader {
public:
    // The `outSize` bytes decoded from the code stream of `size` bytes at `data`, valid
    // until the next call. Only for a stream as TIFF's writers make it (new-style codes,
    // most significant bit first, the table cleared before it overflows) that fills
    // `outSize` bytes before or at its end code. Anything else (old-style codes, a code not
    // yet in the table, too little data) returns nullptr, so that the caller can hand the
    // strip to a reader that knows how to report or mend it.
    uint8_t* read(const uint8_t* data, size_t size, size_t outSize);

private:
    std::vector<uint8_t> m_buffer;
};

}  // namespace gdip::codecs
