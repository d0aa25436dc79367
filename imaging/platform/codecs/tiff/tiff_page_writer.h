// The TIFF encoder as the page copier sees it: besides decoded frames, it takes pages whose
// directory and stored data the copier writes itself.
#pragma once

#include <tiffio.h>

#include <cstdio>
#include <functional>
#include <memory>

#include "../codec.h"

namespace gdip::codecs {

class TiffPageWriter : public Encoder {
public:
    // Adds a page that `fill` describes and writes into the directory being filled: its
    // tags, then its stored strips or tiles, `storedBytes` in all. The page's type and number
    // and the directory itself are the writer's. A page `fill` gives up on leaves no page.
    // ValueOverflow, with nothing written, when the data would take a classic file past
    // 4 GiB.
    [[nodiscard]] virtual GpStatus addFilledPage(uint64_t storedBytes, const std::function<GpStatus(TIFF*)>& fill) = 0;

    // Adds a decoded frame as addFrame does, coded with `compression` instead of the
    // writer's own: a page turned keeps the compression it came with.
    [[nodiscard]] virtual GpStatus addFrameAs(const Frame& frame, TiffCompression compression) = 0;
};

std::unique_ptr<TiffPageWriter> createTiffPageWriter(std::FILE* stream, TiffCompression compression, bool bigTiff,
                                                     GpStatus& status);

}  // namespace gdip::codecs
