// JPEG streams as some PDF writers join them from a TIFF's pieces, made whole again.
#pragma once

#include <string>

namespace gdip::codecs::pdf {

// When `data` joins a JPEG's pieces with markers that end it early (a second start-of-image
// after the tables; strips each ended and started again between restart markers, as
// libtiff's tiff2pdf writes a TIFF of several JPEG strips), writes into `mended` the stream
// every reader would have made of them, and returns true; false when `data` is whole.
bool mendJoinedJpeg(const std::string& data, std::string& mended);

}  // namespace gdip::codecs::pdf
