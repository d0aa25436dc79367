#include "page_copy.h"

#include "gdiputil.h"
#include "output_formats.h"

namespace orvelle {

using namespace gdip;

TGPPageSource::TGPPageSource(const std::u16string& path) {
    LastStatus = GdipOpenPageSource(path.c_str(), &NativeHandle, &m_pages, &m_openFailure);
}

TGPPageSource::~TGPPageSource() {
    // Unconditional, as for every wrapper: a null handle is refused harmlessly.
    (void)GdipDisposePageSource(NativeHandle);
}

TGPPageCopy::TGPPageCopy(const std::u16string& path, const CopyTarget& target) {
    GUID encoder{};
    FindEncoderByMime(target.pdf ? "application/pdf" : "image/tiff", encoder);
    EncoderParameterBlock parameters(EncoderBigTiff, target.bigTiff ? 1 : 0);
    if (target.pdfDpi > 0) parameters.setSecond(EncoderPdfDpi, target.pdfDpi);
    LastStatus = GdipCreatePageCopy(path.c_str(), &encoder, parameters.block(), &NativeHandle);
}

TGPPageCopy::~TGPPageCopy() { (void)GdipDisposePageCopy(NativeHandle); }

CopiedPage TGPPageCopy::addPage(TGPPageSource& source, uint32_t page) {
    CopiedPage added;
    INT copied = 0;
    added.status = GdipPageCopyAdd(NativeHandle, source.NativeHandle, page, &copied, &added.note);
    added.copied = copied != 0;
    if (added.status != Ok) LastStatus = added.status;
    return added;
}

std::string TGPPageCopy::failureReason() {
    std::string failure;
    if (NativeHandle) (void)GdipGetPageCopyFailure(NativeHandle, &failure);
    return failure;
}

GpStatus TGPPageCopy::finish() {
    const GpStatus status = GdipPageCopyFinish(NativeHandle);
    if (status != Ok) LastStatus = status;
    return status;
}

}  // namespace orvelle
