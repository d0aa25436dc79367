// Status codes of the imaging layers in words, for reports that name a reason.
#pragma once

#include <string>

#include "gdipapi.h"

namespace orvelle {

// Why a file could not be written, as the status carries it: "No space left on device" for
// a full disk, "Permission denied", and so on.
std::string writeFailureReason(GpStatus status);

// Why a picture could not be opened or a frame of it decoded: the status in words, with the
// codec library's own reason when it gave one ("No such file or directory", "cannot be
// decoded (Not a JPEG file: starts with 0x89 0x50)"). Read on the thread that decoded.
std::string decodeFailureReason(GpStatus status);

}  // namespace orvelle
