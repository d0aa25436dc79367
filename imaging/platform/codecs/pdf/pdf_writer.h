// A PDF of scanned pages: each page one picture filling it, at the size its resolution
// gives. JPEG and G4 data go in as they are stored; decoded pages are stored without loss
// (bilevel as G4, the rest deflated with the PNG predictor), their alpha as a soft mask and
// their colour profile as an ICC-based colour space.
#pragma once

#include <cstdio>
#include <memory>

#include "../codec.h"
#include "../../page_text.h"
#include "../stored_image.h"
#include "pdf_reader.h"

namespace gdip::codecs {

class PdfWriter : public Encoder {
public:
    // Adds a page whose picture is `image`'s data as it is.
    [[nodiscard]] virtual GpStatus addStored(const StoredImage& image) = 0;

    // Adds page `index` of `source` as it is: its content, resources, annotations, turn and
    // boxes, turned further by `quarterTurns` quarters clockwise. `leftOut` says what of its
    // document does not go with it (outlines, form fields).
    [[nodiscard]] virtual GpStatus addWholePage(const PdfDocument& source, uint32_t index, int quarterTurns,
                                                std::string& leftOut) = 0;

    // The words recognised on the next page added, as it is shown: drawn invisibly over
    // its picture, so that the page can be searched.
    virtual void setNextPageText(PageText text) = 0;
};

// Writes to `stream` (the caller's) when finished. Pages without a resolution are taken to
// be `defaultDpi` dots per inch.
std::unique_ptr<PdfWriter> createPdfWriter(std::FILE* stream, double defaultDpi, GpStatus& status);

}  // namespace gdip::codecs
