// A PDF picture's soft mask: what it is, and its samples as the picture's alpha.
#pragma once

#include "../../raster.h"
#include "pdf_picture.h"

namespace gdip::codecs::pdf {

// The facts of the soft mask `image`; false when it is not a mask this reader takes.
bool maskFacts(Object image, PictureFacts& facts);

// Turns `frame` into ARGB with the mask's samples as alpha (nearest sample where the mask has
// another size).
GpStatus applyMask(Frame& frame, const Frame& mask);

}  // namespace gdip::codecs::pdf
