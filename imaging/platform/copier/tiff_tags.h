// The tags of a TIFF page that go with its data when the page is written elsewhere.
#pragma once

#include <tiffio.h>

#include <cstdint>

namespace gdip::codecs {

// Every tag that says how to read the stored data of the current page of `in`, then what the
// page says of itself, set on the page being filled in `out`. The compression goes first:
// its own tags (the predictor, the JPEG tables, the fax options) exist only once it is set.
void copyTags(TIFF* in, TIFF* out, uint16_t compression, uint16_t bits, bool tiled);

}  // namespace gdip::codecs
