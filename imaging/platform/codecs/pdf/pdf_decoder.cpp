// Scanned PDFs as documents of pages (pdf_reader.h) behind the decoder interface.
#include "../codec.h"
#include "../page_prefetch.h"
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
    FrameText frameText(uint32_t index) override {
        m_prefetch.cancel();  // the document is read by one thread at a time
        return m_document.textOf(index);
    }

protected:
    // Pages read one after another are read one ahead, on another thread, while the caller
    // uses the page it has (a drawn page is drawn while the one before it is written). The
    // document is used by one thread at a time: the caller waits for the page read ahead.
    GpStatus decodeFrame(uint32_t index, Frame& out) override {
        out = Frame{};
        GpStatus status = Ok;
        if (!m_prefetch.take(index, out, status)) status = m_document.decodePage(index, out);
        const bool sequential = m_lastRead != kNone && index == m_lastRead + 1;
        m_lastRead = index;
        if (sequential && index + 1 < m_document.pages() &&
            GdipPagesAtOnce(out.width, out.height, m_document.pages() - index) > 1)
            m_prefetch.start(index + 1, [this](uint32_t next, Frame& frame, const std::atomic<bool>&) {
                return m_document.decodePage(next, frame);
            });
        return status;
    }

private:
    static constexpr uint32_t kNone = UINT32_MAX;
    PdfDocument m_document;
    uint32_t m_lastRead = kNone;
    PagePrefetch m_prefetch;  // last: its thread uses everything above
};

}  // namespace

std::unique_ptr<Decoder> openPdfDecoder(UniqueFd fd, GpStatus& status, std::string& reason) {
    return openDecoderOf<PdfDecoder>(std::move(fd), status, reason);
}

}  // namespace gdip::codecs
