// How much of a page is ink: the share of its pixels well darker than its paper. A scanned
// back with light bleed-through, yellowed paper or a lone page number has next to none.
#pragma once

#include "raster.h"

namespace gdip {

struct InkShare {
    double dark = 0;     // share of the pixels inside the margins that are dark, 0 to 1
    uint8_t paper = 255;  // the paper's lightness (the median), 0 black to 255 white
};

// Measures `frame` inside a margin of 1 % of each side (hole punches, scanner edges). A
// pixel is dark when its lightness lies below the paper's by a third of it, and at least
// 48 levels: grey bleed-through and tinted paper are not ink, print is.
InkShare measureInk(const Frame& frame);

}  // namespace gdip
