// Text recognition of decoded pages, through the recogniser module (ocr_engine_module.h):
// each thread that recognises keeps an engine of its own for the languages it was last
// asked for, so that no engine is shared between threads and the language data is loaded
// once per thread, not once per page.
#pragma once

#include <string>

#include "../gdiplus_flat.h"
#include "../page_text.h"
#include "../raster.h"

namespace gdip::ocr {

// Whether every language of `languages` ("chi_sim+eng") is installed; InvalidParameter,
// with `why` naming the package to install, when one is not; GenericError when the
// recogniser itself cannot be loaded.
GpStatus checkLanguages(const std::string& languages, std::string& why);

// The words of `frame` as it is shown, their boxes in its pixels. The engine sees the page
// at its own resolution (300 dpi when it has none), unequal resolutions made square.
GpStatus recognise(const Frame& frame, const std::string& languages, PageText& text, std::string& why);

// The quarter turns clockwise that set `frame`'s text upright (0 to 3), with the engine's
// confidence; NotImplemented when it cannot tell (too little text).
GpStatus uprightTurns(const Frame& frame, const std::string& languages, int& quarterTurns, float& confidence,
                      std::string& why);

}  // namespace gdip::ocr
