#include "tiff_document.h"

#include "../../image_limits.h"
#include "tiff_chain.h"

namespace gdip::codecs {

GpStatus openTiffDocument(UniqueFd fd, TiffErrors& errors, TiffDocument& document, std::string& why) {
    const long long size = descriptorSize(fd.get());
    TiffChain chain;
    if (size <= 0 || !readTiffChain(descriptorReader(fd.get()), static_cast<uint64_t>(size), Limits::kMaxFrames, chain)) {
        why = "not a TIFF file";
        return UnknownImageFormat;
    }
    document.pages = documentPages(chain);
    if (document.pages.empty()) {
        why = "not a TIFF file";
        return UnknownImageFormat;
    }
    document.reducedImages = static_cast<uint32_t>(chain.offsets.size() - document.pages.size());
    document.fileSize = static_cast<uint64_t>(size);
    TiffOptionsPtr options = tiffOpenOptions(errors);
    if (!options) return OutOfMemory;
    // "m": no memory mapping, so a file truncated while open cannot fault the process.
    // "h": the header only; each directory is read when its page is.
    document.tiff.reset(TIFFFdOpenExt(fd.get(), "", "rmh", options.get()));
    if (!document.tiff) {
        why = errors.reason.text();
        return UnknownImageFormat;
    }
    (void)fd.release();  // the handle closes it now
    return Ok;
}

}  // namespace gdip::codecs
