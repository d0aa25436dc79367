// PDF pages drawn by a renderer (PDFium, through Qt's PDF module): the pages that are more
// than one picture (text, drawings, stamps over a scan, several pictures) and pictures this
// reader does not decode itself (JBIG2).
#pragma once

#include <memory>

#include "../../raster.h"
#include "../file_handle.h"

namespace gdip::codecs::pdf {

class PageRenderer {
public:
    // Renders from the file on `fd`, which it owns and reads only by position: the descriptor
    // may be a duplicate of one another reader moves through.
    explicit PageRenderer(UniqueFd fd);
    ~PageRenderer();
    PageRenderer(const PageRenderer&) = delete;
    PageRenderer& operator=(const PageRenderer&) = delete;

    // Draws page `index` upright (its /Rotate applied) at `dpi` dots per inch, with its
    // annotations, on white paper, into `frame` in the class its pixels need: bilevel when
    // they are all black or white, grey when they are all grey, RGB otherwise. On failure
    // `frame` is empty and its `failure` says why.
    [[nodiscard]] GpStatus render(uint32_t index, double dpi, Frame& frame);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// The resolution pages are drawn at when no picture sets theirs, for every document.
void setDrawResolution(double dpi);
double drawResolution();

}  // namespace gdip::codecs::pdf
