// A PDF picture's colour space: how many samples make a colour, its palette, its profile.
#pragma once

#include "../../argb.h"
#include "pdf_picture.h"

namespace gdip::codecs::pdf {

// CMYK without a profile, as most readers show it.
inline ARGB fromCmyk(unsigned c, unsigned m, unsigned y, unsigned k) {
    return opaque((255 - c) * (255 - k) / 255, (255 - m) * (255 - k) / 255, (255 - y) * (255 - k) / 255);
}

// Fills in `facts`' components, palette and profile from the colour space `space`.
// NotScanned for a space this reader does not take.
void readColourSpace(Object space, PictureFacts& facts);

}  // namespace gdip::codecs::pdf
