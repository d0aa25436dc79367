// Turns a frame into at most 256 palette entries for GIF: exactly when it has that few
// colours (every bilevel or grey scan), otherwise by a deterministic median-cut palette with
// error diffusion.
#pragma once

#include <cstdint>
#include <vector>

#include "../raster.h"

namespace gdip::codecs {

struct IndexedPicture {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<ARGB> palette;     // opaque colours
    std::vector<uint8_t> indices;  // width * height
    int transparent = -1;          // palette index standing for "transparent", or -1
};

// Pixels with alpha below 128 become transparent; the rest are taken as opaque.
[[nodiscard]] GpStatus toIndexed(const Frame& frame, IndexedPicture& out);

}  // namespace gdip::codecs
