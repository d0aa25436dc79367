// Status codes of the imaging layers in words, for reports that name a reason.
#pragma once

#include <string>

#include "gdipobj.h"

namespace orvelle {

// Why a file could not be written, as the status carries it: "No space left on device" for
// a full disk, "Permission denied", and so on.
std::string writeFailureReason(GpStatus status);

// Why `image` could not be opened, or its active frame decoded, with `status`: the status in
// words, with the codec library's own reason when it gave one ("No such file or directory",
// "cannot be decoded (Not a JPEG file: starts with 0x89 0x50)").
std::string decodeFailureReason(TGPImage& image, GpStatus status);
// Why a decoded page's colour profile cannot go with it: outputs are written as RGB or grey,
// which a CMYK (or other) profile does not describe. Empty when nothing is left behind.
std::string profileLeftBehind(const ImageFacts& facts);

// The same with the library's reason given.
std::string decodeFailureReason(GpStatus status, const std::string& why);

}  // namespace orvelle
