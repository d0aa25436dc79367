// Looking an encoder up by MIME type in the imaging library's encoder list.
#pragma once

#include <string>

#include "gdipapi.h"

namespace orvelle {

// The two library calls the lookup makes; replaceable so that the lookup can be checked
// against lists the library itself would never report.
struct EncoderListSource {
    GpStatus (*getSize)(UINT* count, UINT* size);
    GpStatus (*getList)(UINT count, UINT size, ImageCodecInfo* buffer);
};

const EncoderListSource& platformEncoderList();

// The position of the last encoder whose MIME type equals `mimeType` exactly (case and all),
// with its class id copied into `clsid`; -1 with `clsid` untouched when none matches.
int32_t FindEncoderByMime(const std::string& mimeType, GUID& clsid,
                          const EncoderListSource& source = platformEncoderList());

}  // namespace orvelle
