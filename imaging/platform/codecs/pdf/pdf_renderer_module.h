// What the PDF renderer module (pdf_renderer/, Qt's PDF module, which is PDFium)
// offers the back end, which loads it the first time a page is drawn: a program that never
// draws a page never loads Qt, whose libraries take longer to load than most jobs take.
// Plain C types across the boundary: the module is a shared object of its own.
#pragma once

#include <cstdint>

namespace gdip::codecs::pdf {

struct RendererModule {
    // A document read from `fd` (taken over, read by position only); null when it cannot be.
    void* (*open)(int fd);
    void (*close)(void* document);
    // The document's pages; -1 when the renderer cannot read it.
    int (*pageCount)(void* document);
    // Page `index`'s size in points, its /Rotate applied.
    bool (*pageSize)(void* document, int index, double* width, double* height);
    // Rows [top, top + rows) of page `index` drawn at `width` x `height` pixels, with its
    // annotations, into `argb` (premultiplied ARGB, `width` pixels a row); false when the
    // page cannot be drawn.
    bool (*drawRows)(void* document, int index, int width, int height, int top, int rows, uint32_t* argb);
};

}  // namespace gdip::codecs::pdf

// The module's one entry point.
extern "C" const gdip::codecs::pdf::RendererModule* orvelle_pdf_renderer();
