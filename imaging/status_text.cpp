#include "status_text.h"

#include <cerrno>
#include <cstring>

#include "gdipobj.h"

namespace orvelle {

std::string writeFailureReason(GpStatus status) {
    switch (status) {
        case FileNotFound: return std::strerror(ENOENT);
        case AccessDenied: return std::strerror(EACCES);
        case InsufficientBuffer: return std::strerror(ENOSPC);  // what a full disk is reported as
        case OutOfMemory: return std::strerror(ENOMEM);
        default: return "the file could not be written";
    }
}

std::string decodeFailureReason(GpStatus status, const std::string& why) {
    switch (status) {
        case FileNotFound: return std::strerror(ENOENT);
        case AccessDenied: return "not a readable regular file";
        case ValueOverflow: return "over the size limit of one picture";
        default: break;
    }
    return "cannot be decoded" + (why.empty() ? "" : " (" + why + ")");
}

std::string profileLeftBehind(const ImageFacts& facts) {
    if (facts.profileBytes == 0) return {};
    const std::string space(facts.profileSpace, 4);
    if (space == "RGB " || space == "GRAY") return {};
    std::string named = space;
    while (!named.empty() && named.back() == ' ') named.pop_back();
    return "its " + named + " colour profile does not describe the RGB pixels written, and is left out";
}

std::string decodeFailureReason(TGPImage& image, GpStatus status) {
    return decodeFailureReason(status, image.failureReason());
}

}  // namespace orvelle
