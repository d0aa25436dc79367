// Blank pages: the backs of one-sided originals in a duplex scan, separator sheets. Never
// removed silently: callers list every page they leave out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gdipobj.h"

namespace orvelle {

// A page is blank when less than this share of it, inside its margins, is ink: a lone page
// number on an A4 back is about 0.01 %, one line of text 0.2 % and more (see the tests).
constexpr double kBlankInkShare = 0.0005;

// Whether the active frame of `page` is blank: light paper (at least mid grey) with less
// than kBlankInkShare of ink on it.
bool isBlankPage(TGPImage& page);

// For each of `pages` (from 0) of the document at `path`, whether it is blank; a page that
// cannot be decoded is not.
std::vector<bool> blankPages(const std::string& path, const std::vector<uint32_t>& pages);

}  // namespace orvelle
