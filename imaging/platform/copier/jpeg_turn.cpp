#include "jpeg_turn.h"

#include <turbojpeg.h>

#include <memory>

namespace gdip::codecs {
namespace {

struct TransformCloser {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using TransformPtr = std::unique_ptr<void, TransformCloser>;

struct TurboBufferFree {
    void operator()(unsigned char* bytes) const { tjFree(bytes); }
};

}  // namespace

JpegTurn turnJpeg(const std::string& jpeg, int quarterTurns, std::string& turned, std::string& why) {
    const int turns = (quarterTurns % 4 + 4) % 4;
    if (turns == 0) {
        turned = jpeg;
        return JpegTurn::Done;
    }
    const TransformPtr handle(tjInitTransform());
    if (!handle) {
        why = "the JPEG transform cannot be started";
        return JpegTurn::Failed;
    }
    tjtransform transform{};
    transform.op = turns == 1 ? TJXOP_ROT90 : turns == 2 ? TJXOP_ROT180 : TJXOP_ROT270;
    // Partial blocks at an edge would be dropped (trim) or left where they were (neither
    // is the page turned): such a picture is refused, and its caller keeps it as it is.
    transform.options = TJXOPT_PERFECT;
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    const int result = tjTransform(handle.get(), reinterpret_cast<const unsigned char*>(jpeg.data()),
                                   static_cast<unsigned long>(jpeg.size()), 1, &out, &outSize, &transform, 0);
    const std::unique_ptr<unsigned char, TurboBufferFree> owned(out);
    if (result != 0) {
        const std::string said = tjGetErrorStr2(handle.get());
        if (said.find("perfect") != std::string::npos) return JpegTurn::NotWholeBlocks;
        why = "the JPEG data cannot be turned (" + said + ")";
        return JpegTurn::Failed;
    }
    turned.assign(reinterpret_cast<const char*>(out), outSize);
    return JpegTurn::Done;
}

}  // namespace gdip::codecs
