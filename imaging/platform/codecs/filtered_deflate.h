// Rows of 8-bit samples as PNG filters them (each row led by its filter byte, sub or up),
// deflated in bands of rows on several cores: each band is a deflate run primed with the
// 32 KiB before it and closed on a byte boundary, so the bands join into one standard zlib
// stream. Band boundaries depend only on the picture, never on the number of cores: the
// same bytes on one core or four. PNG's image data, and a PDF image's FlateDecode data with
// predictor 15, are this stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "../gdiplus_flat.h"

namespace gdip::codecs {

struct SampleRows {
    uint32_t width = 0;
    uint32_t height = 0;
    size_t channels = 1;  // samples per pixel, one byte each
    // Writes row `y`'s width × channels samples to `out`; called from several threads.
    std::function<void(uint32_t y, uint8_t* out)> read;
};

// Deflates `rows` and hands the zlib stream to `put` in order, a band's bytes at a time (the
// header with the first, the checksum with the last). Win32Error when `put` returned false,
// OutOfMemory when memory failed, GenericError when the compressor failed otherwise.
[[nodiscard]] GpStatus deflateFilteredRows(const SampleRows& rows, const std::function<bool(const uint8_t*, size_t)>& put);

}  // namespace gdip::codecs
