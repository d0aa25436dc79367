// What every decoder does alike: a frame as stored, with the reason it failed, or turned
// upright as it is shown.
#include "../orientation.h"
#include "codec.h"

namespace gdip::codecs {

GpStatus Decoder::readFrameAsStored(uint32_t index, Frame& out) {
    m_failure.clear();
    const GpStatus status = decodeFrame(index, out);
    if (status == Ok)
        out.failure.clear();
    else if (out.failure.empty())
        out.failure = m_failure.text();
    return status;
}

GpStatus Decoder::readFrame(uint32_t index, Frame& out) {
    GpStatus status = readFrameAsStored(index, out);
    if (status == Ok && (status = turnUpright(out)) != Ok) {
        out = Frame{};
        out.failure = "the page cannot be turned upright";
    }
    return status;
}

GpStatus Decoder::readFrameRows(uint32_t index, FrameRows& out, uint64_t fromBytes, int quarterTurns) {
    m_failure.clear();
    const GpStatus status = decodeFrameRows(index, out, fromBytes, quarterTurns);
    if (status != Ok && out.header.failure.empty()) out.header.failure = m_failure.text();
    return status;
}

}  // namespace gdip::codecs
