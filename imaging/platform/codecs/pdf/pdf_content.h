// What a page's content does, read with qpdf's tokenizer: which XObjects it draws and where,
// whether it shows text (and whether that text is seen), and whether it paints anything else.
#pragma once

#include <qpdf/QPDFPageObjectHelper.hh>

#include <cstdint>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "../../gdiplus_flat.h"

namespace gdip::codecs::pdf {

// A page whose content is too large to be looked at, or drawn: it fails, whatever reads it.
struct ContentTooLarge : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The linear part of a transformation matrix [a b c d] (its translation does not turn).
struct Linear {
    double a = 1, b = 0, c = 0, d = 1;
    // This matrix applied after `first`, as PDF's "cm" concatenates.
    Linear after(const Linear& first) const {
        return {first.a * a + first.b * c, first.a * b + first.b * d, first.c * a + first.d * c, first.c * b + first.d * d};
    }
};

struct PageContent {
    struct Drawn {
        std::string name;  // the XObject's resource name, with its slash
        Linear matrix;     // the unit square it fills
    };
    std::vector<Drawn> drawn;        // every XObject drawn, in order
    bool invisibleText = false;      // text shown in an invisible mode (an OCR layer)
    bool seenText = false;           // text shown to be seen
    std::string more;                // what it paints besides XObjects ("it holds text" ...); empty when nothing
};

// The page's content streams walked. ContentTooLarge when they are beyond what is read.
PageContent contentOf(QPDFPageObjectHelper& page);

// The text the page shows, in its content or in the forms it draws: text of its own, which
// a recogniser's words would only repeat. ContentTooLarge as above.
FrameText textOf(QPDFPageObjectHelper& page);

// The page's content without the text it shows unseen (an earlier recogniser's words): its
// text showing and the forms that hold nothing else left out, a text object of nothing else
// left out whole, their names into `formsLeftOut`. For a page that shows no text to be
// seen. ContentTooLarge as above.
std::string withoutUnseenText(QPDFPageObjectHelper& page, std::set<std::string>& formsLeftOut);

// How a picture drawn with `m` lies on the page, as TIFF's orientation numbers it (where its
// first row and first column are seen); 0 for a matrix that is none of the eight
// axis-aligned placements (a slant, a picture of no extent).
uint16_t placementOf(const Linear& m);

}  // namespace gdip::codecs::pdf
