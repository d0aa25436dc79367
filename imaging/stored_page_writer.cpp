#include "stored_page_writer.h"

#include "gdiputil.h"
#include "output_formats.h"

namespace orvelle {

using namespace gdip;

TGPPageSource::TGPPageSource(const std::u16string& path, bool intoPdf) {
    GUID encoder{};
    FindEncoderByMime(intoPdf ? "application/pdf" : "image/tiff", encoder);
    LastStatus = GdipOpenPageSource(path.c_str(), &encoder, &NativeHandle, &m_pages, &m_openFailure);
}

TGPPageSource::~TGPPageSource() {
    // Unconditional, as for every wrapper: a null handle is refused harmlessly.
    (void)GdipDisposePageSource(NativeHandle);
}

TGPStoredPageWriter::TGPStoredPageWriter(const std::u16string& path, const CopyTarget& target) {
    GUID encoder{};
    FindEncoderByMime(target.pdf ? "application/pdf" : "image/tiff", encoder);
    EncoderParameterBlock parameters(EncoderBigTiff, target.bigTiff ? 1 : 0);
    if (target.pdfDpi > 0) parameters.setSecond(EncoderPdfDpi, target.pdfDpi);
    LastStatus = GdipCreateStoredPageWriter(path.c_str(), &encoder, parameters.block(), &NativeHandle);
}

TGPStoredPageWriter::~TGPStoredPageWriter() { (void)GdipDisposeStoredPageWriter(NativeHandle); }

CopiedPage TGPStoredPageWriter::addPage(TGPPageSource& source, uint32_t page, int quarterTurns, const PageText* text) {
    CopiedPage added;
    INT copied = 0;
    if (text && (added.status = GdipStoredPageWriterSetPageText(NativeHandle, text)) != Ok) {
        LastStatus = added.status;
        return added;
    }
    added.status = GdipStoredPageWriterAdd(NativeHandle, source.NativeHandle, page, quarterTurns, &copied, &added.note);
    added.copied = copied != 0;
    if (added.status != Ok) LastStatus = added.status;
    return added;
}

std::string TGPStoredPageWriter::failureReason() {
    std::string failure;
    if (NativeHandle) (void)GdipGetStoredPageWriterFailure(NativeHandle, &failure);
    return failure;
}

GpStatus TGPStoredPageWriter::finish() {
    const GpStatus status = GdipStoredPageWriterFinish(NativeHandle);
    if (status != Ok) LastStatus = status;
    return status;
}

}  // namespace orvelle
