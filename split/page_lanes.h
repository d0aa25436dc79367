// How many pages of a document are worked on at once: two on two lanes (each lane with a
// decoder of its own) when there is more than one core and more than one page, and pages
// are not huge; otherwise one.
#pragma once

#include <cstddef>

#include "imaging/gdipobj.h"

namespace orvelle {

// `firstPage` is the document's decoder with its first page active.
size_t pageLaneCount(TGPImage& firstPage, size_t pageCount);

}  // namespace orvelle
