#include "page_copy.h"

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

TGPPageCopy::TGPPageCopy(const std::u16string& path, bool bigTiff) {
    if (bigTiff) {
        const EncoderParameterBlock big(EncoderBigTiff, 1);
        LastStatus = GdipCreatePageCopy(path.c_str(), big.block(), &NativeHandle);
    } else {
        LastStatus = GdipCreatePageCopy(path.c_str(), nullptr, &NativeHandle);
    }
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

GpStatus TGPPageCopy::finish() {
    const GpStatus status = GdipPageCopyFinish(NativeHandle);
    if (status != Ok) LastStatus = status;
    return status;
}

}  // namespace orvelle
