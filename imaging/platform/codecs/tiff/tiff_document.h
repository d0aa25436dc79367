// A TIFF file opened for its pages, the one way the decoder and the copier open it: its
// directories indexed from the header without decoding any (a damaged one fails its own page
// alone), and one libtiff handle over the descriptor that reads only the header until a
// page is selected.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "../../gdiplus_flat.h"
#include "../file_handle.h"
#include "tiff_glue.h"

namespace gdip::codecs {

struct TiffDocument {
    TiffPtr tiff;
    std::vector<uint64_t> pages;  // where each page's directory starts: one seek selects it
    uint32_t reducedImages = 0;   // reduced-resolution copies, which are no pages
    uint64_t fileSize = 0;
};

// Opens the TIFF on `fd` into `document`, its handle reporting into `errors` (which must
// outlive it). UnknownImageFormat, with `why`, when it is no TIFF or holds no page.
[[nodiscard]] GpStatus openTiffDocument(UniqueFd fd, TiffErrors& errors, TiffDocument& document, std::string& why);

}  // namespace gdip::codecs
