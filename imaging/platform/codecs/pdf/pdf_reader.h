// Scanned PDFs read as documents: each page whose only content is one picture drawn over
// it (what scanners, fax software and our own writer make) is a page like a TIFF page.
// Anything else on a page (text, drawings, several pictures, JBIG2 or JPEG 2000 data) makes
// that page fail alone, with the reason.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "../../raster.h"
#include "../file_handle.h"
#include "../stored_image.h"

class QPDF;
class QPDFObjectHandle;

namespace gdip::codecs {

class PdfDocument {
public:
    PdfDocument();
    ~PdfDocument();

    // Which documents open: those with a page that is a scanned picture (to be read as
    // pictures), or any (whose pages are copied whole into a PDF).
    enum class Pages { Scanned, Any };

    // Opens the PDF on `fd`. UnknownImageFormat, with `why`, for a damaged or encrypted file
    // and, unless `pages` is Any, for one none of whose pages is a scanned picture.
    [[nodiscard]] GpStatus open(UniqueFd fd, std::string& why, Pages pages = Pages::Scanned);
    uint32_t pages() const { return m_pages; }

    // Page `index`'s picture as stored, when it is JPEG or G4 data drawn upright or turned
    // (its /Rotate as the orientation). NotImplemented, with `why`, when it must be decoded;
    // another failure, with `why`, when the page is not a scanned picture.
    [[nodiscard]] GpStatus storedImage(uint32_t index, StoredImage& image, std::string& why);

    // Decodes page `index` into `frame`, its rows as stored, its turn in meta.orientation and
    // its resolution from the page's size. On failure `frame.failure` says why.
    [[nodiscard]] GpStatus decodePage(uint32_t index, Frame& frame);

    // Page `index` as qpdf's page object, for a writer that copies it whole, and the
    // document, which such a writer keeps until it has written the page's data.
    QPDFObjectHandle pageObject(uint32_t index) const;
    std::shared_ptr<QPDF> document() const;
    // What of the document a copied page leaves behind: its outlines and form fields, as
    // words; empty when it has neither.
    std::string leftBehind() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
    uint32_t m_pages = 0;
};

}  // namespace gdip::codecs
