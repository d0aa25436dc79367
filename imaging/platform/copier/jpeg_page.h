// A JPEG stream as a TIFF page that holds it as it is: one JPEG-compressed strip.
#pragma once

#include "../codecs/stored_image.h"
#include "../codecs/tiff/tiff_page_writer.h"
#include "jpeg_stream.h"

namespace gdip::codecs {

// Adds the JPEG `stream` to `writer` as a JPEG-compressed page shaped as `shape` says (it
// must be storable): the stream's own bytes as the one strip, its density or EXIF
// resolution, its EXIF orientation and its colour profile as the page's tags; or, for the
// picture of a document's `page`, that page's resolution, turn and profile. `orientation`,
// when not 0, replaces the orientation either gives.
[[nodiscard]] GpStatus storeJpegPage(const JpegStream& stream, const JpegPageShape& shape, TiffPageWriter& writer,
                                     const StoredImage* page = nullptr, uint16_t orientation = 0);

}  // namespace gdip::codecs
