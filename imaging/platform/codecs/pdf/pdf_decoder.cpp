// Scanned PDFs as documents of pages (pdf_reader.h) behind the decoder interface.
#include "../codec.h"
#include "pdf_reader.h"

namespace gdip::codecs {
namespace {

class PdfDecoder final : public Decoder {
public:
    GpStatus open(UniqueFd fd) {
        std::string why;
        const GpStatus status = m_document.open(std::move(fd), why);
        if (status != Ok) failure().note(why);
        return status;
    }
    const GUID& rawFormat() const override { return ImageFormatPDF; }
    const GUID& frameDimension() const override { return FrameDimensionPage; }
    uint32_t frameCount() const override { return m_document.pages(); }

protected:
    GpStatus decodeFrame(uint32_t index, Frame& out) override { return m_document.decodePage(index, out); }

private:
    PdfDocument m_document;
};

}  // namespace

std::unique_ptr<Decoder> openPdfDecoder(UniqueFd fd, GpStatus& status, std::string& reason) {
    return openDecoderOf<PdfDecoder>(std::move(fd), status, reason);
}

}  // namespace gdip::codecs
