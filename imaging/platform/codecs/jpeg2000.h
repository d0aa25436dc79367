// JPEG 2000 pictures (a JP2 file or a bare codestream), as PDFs hold them, through OpenJPEG.
#pragma once

#include <cstddef>
#include <cstdint>

#include "../raster.h"

namespace gdip::codecs {

// Decodes the picture in `data` into `frame`: grey, RGB, or either with alpha as ARGB, its
// samples brought to 8 bits, its profile when it carries one. On failure `frame` is empty
// and its `failure` says why.
[[nodiscard]] GpStatus decodeJpeg2000(const uint8_t* data, size_t size, Frame& frame);

}  // namespace gdip::codecs
