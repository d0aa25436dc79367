// A scanned page's content: it may save and restore the graphics state, set the matrix and
// draw one picture, nothing else.
#pragma once

#include <qpdf/QPDFPageObjectHelper.hh>

#include <cstdint>

namespace gdip::codecs::pdf {

// How the page's one picture lies on it, as TIFF's orientation numbers it (where its first
// row and first column are seen). NotScanned, with the reason, for any other content.
uint16_t placementOfPicture(QPDFPageObjectHelper& page);

}  // namespace gdip::codecs::pdf
