// A page's colour profile, text tags, orientation and resolution between libtiff directories
// and the page's metadata: read from the directory a decoder or the copier is on, written
// into the one an encoder is filling.
#pragma once

#include <tiffio.h>

#include <cstdint>

#include "../../page_metadata.h"
#include "../resolution.h"

namespace gdip::codecs {

// The text tags that travel with a page from one TIFF to another.
extern const uint16_t kPageTextTags[9];

// Reads what the current directory of `tif` holds of it into `meta`.
void readPageMetadata(TIFF* tif, PageMetadata& meta);

// Writes the text tags into the directory being filled.
void writeTextTags(TIFF* tif, const PageMetadata& meta);

// Writes the text tags into the directory being filled, and the profile when it describes
// pixels written as grey levels (`writtenAsGrey`) or as colours, as they are.
void writePageMetadata(TIFF* tif, const PageMetadata& meta, bool writtenAsGrey);

// The current directory's resolution. Values past any real resolution, and units TIFF does
// not define, give none.
PageResolution readResolution(TIFF* tif);

// Writes dots per inch when both are given, else the pixels' aspect without a unit.
void writeResolution(TIFF* tif, const PageResolution& resolution);

}  // namespace gdip::codecs
