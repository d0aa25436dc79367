// PDFs read as documents of pictures: a page whose only content is one picture drawn over it
// (what scanners, fax software and our own writer make), perhaps under invisible text (an
// OCR layer), is that picture, decoded as stored; any other page (text, drawings, a stamp
// over a scan, several pictures, JBIG2 data) is drawn by the renderer.
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

    // Opens the PDF on `fd`. UnknownImageFormat, with `why`, for a damaged or encrypted file.
    [[nodiscard]] GpStatus open(UniqueFd fd, std::string& why);
    uint32_t pages() const { return m_pages; }

    // Page `index`'s picture as stored, when it is JPEG or G4 data drawn upright or turned
    // (its /Rotate as the orientation), `why` then saying what of the page stays behind (its
    // invisible text) or empty. NotImplemented, with `why`, when it must be decoded;
    // another failure, with `why`, when the page cannot be read at all.
    [[nodiscard]] GpStatus storedImage(uint32_t index, StoredImage& image, std::string& why);

    // The text page `index` shows of its own (see pdf::textOf).
    FrameText textOf(uint32_t index) const;

    // Decodes page `index` into `frame`: a picture's rows as stored, its turn in
    // meta.orientation and its resolution from the page's size; a page drawn upright at the
    // resolution of its largest picture, or of drawResolution(), `rendered`. On failure
    // `frame.failure` says why.
    [[nodiscard]] GpStatus decodePage(uint32_t index, Frame& frame);

    // Page `index` as qpdf's page object, for a writer that copies it whole (its JPEG
    // pictures made whole where a writer joined them with markers that end them early), and the
    // document, which such a writer keeps until it has written the page's data.
    QPDFObjectHandle pageObject(uint32_t index) const;
    std::shared_ptr<QPDF> document() const;
    // What of the document a copied page leaves behind: its outlines and form fields, as
    // words; empty when it has neither.
    std::string leftBehind() const;

private:
    [[nodiscard]] GpStatus renderPage(uint32_t index, double pictureDpi, Frame& frame);
    [[nodiscard]] GpStatus renderJbig2Page(uint32_t index, double pictureDpi, Frame& frame);

    struct State;
    std::unique_ptr<State> m_state;
    uint32_t m_pages = 0;
};

}  // namespace gdip::codecs
