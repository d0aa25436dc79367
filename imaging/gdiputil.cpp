#include "gdiputil.h"

#include <cstdlib>
#include <cstring>

#include "text_path.h"

namespace orvelle {

// The flat operations this file wraps.
using namespace gdip;

const EncoderListSource& platformEncoderList() {
    static const EncoderListSource source{&GdipGetImageEncodersSize, &GdipGetImageEncoders};
    return source;
}

int32_t FindEncoderByMime(const std::string& mimeType, GUID& clsid,
                          const EncoderListSource& source) {
    UINT count = 0, size = 0;
    int32_t result = -1;
    source.getSize(&count, &size);
    if (size == 0) return -1;
    // The records are followed by the strings they point to, so the buffer must be as large
    // as the library says, not count records.
    auto* buffer = static_cast<ImageCodecInfo*>(std::malloc(size));
    if (!buffer) return -1;
    std::memset(buffer, 0, size);
    source.getList(count, size, buffer);
    const UINT fits = static_cast<UINT>(size / sizeof(ImageCodecInfo));
    for (UINT i = 0; i < count && i < fits; ++i) {
        if (!buffer[i].MimeType) continue;
        if (narrowPath(buffer[i].MimeType) == mimeType) {
            clsid = buffer[i].Clsid;
            result = static_cast<int32_t>(i);
        }
    }
    std::free(buffer);
    return result;
}

}  // namespace orvelle
