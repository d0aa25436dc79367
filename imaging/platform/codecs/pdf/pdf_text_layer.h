// Recognised words as invisible text over a page's picture: a searchable scan. The words are
// drawn in text render mode 3 (neither filled nor stroked) in a font of blank glyphs whose
// codes are the words' UTF-16 units, so that a viewer finds, selects and copies them where
// they stand on the picture; each word is stretched to its box.
#pragma once

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <string>

#include "../../page_text.h"

namespace gdip::codecs {

// The fonts the layers are written in, made once per document, both an embedded TrueType
// font of blank glyphs half an em wide: a Type 0 font whose codes are UTF-16 units, and a
// simple font of the Latin text encoding for words it has all the characters of.
struct TextLayerFonts {
    QPDFObjectHandle unicode, latin;
};
TextLayerFonts textLayerFonts(QPDF& pdf);

// The content that draws `text` under the font resources `unicodeFont` and `latinFont` on a page of
// `width` x `height` units (its MediaBox) shown turned by `rotation` degrees clockwise:
// the words' boxes, in pixels of the page as shown, fill the page as shown.
std::string textLayerContent(const PageText& text, double width, double height, int rotation,
                             const std::string& unicodeFont, const std::string& latinFont);

}  // namespace gdip::codecs
