// CCITT fax data outside a TIFF file: what a PDF stores for a bilevel page. libtiff holds
// the only fax coder, so data goes through a small TIFF in memory either way.
#pragma once

#include <string>

#include "../raster.h"
#include "../codecs/stored_image.h"
#include "../codecs/tiff/tiff_page_writer.h"

namespace gdip::codecs {

// The G4 coding of a bilevel frame whose palette is black and white (either way round).
// NotImplemented for a two-colour palette of other colours, which is no fax page.
[[nodiscard]] GpStatus encodeFaxImage(const Frame& frame, StoredImage& image);

// Whether Group 3 fax data starts with an end of line, as data that has them does.
bool startsWithLineEnd(const std::string& data);

// Decodes `image` (fax data; `k` as a PDF says it: below 0 G4, 0 G3 one-dimensional, above
// 0 G3 two-dimensional; G3 rows starting on a byte when `byteAligned`, each after an end of
// line when `lineEnds`) into a bilevel frame, its rows as stored.
[[nodiscard]] GpStatus decodeFaxImage(const StoredImage& image, int k, bool byteAligned, bool lineEnds, Frame& frame);

// The resolution (per inch) and turn that `image` carries as the tags of the page being
// filled in `out`.
void setStoredPageFacts(TIFF* out, const StoredImage& image);

// Adds the G4 data of `image` to `writer` as a page whose one strip it is.
[[nodiscard]] GpStatus storeFaxPage(const StoredImage& image, TiffPageWriter& writer);

}  // namespace gdip::codecs
