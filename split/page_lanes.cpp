#include "page_lanes.h"

#include <cstdint>

namespace orvelle {
namespace {

// Pages at most this large (decoded as 24-bit) are worked on two at a time.
constexpr uint64_t kPipelinedPageBytes = uint64_t{64} << 20;

}  // namespace

size_t pageLaneCount(TGPImage& firstPage, size_t pageCount) {
    const uint64_t firstPageBytes = uint64_t{firstPage.PixelWidth()} * firstPage.PixelHeight() * 3;
    return ImagingSession::workers() > 1 && pageCount > 1 && firstPageBytes <= kPipelinedPageBytes ? 2 : 1;
}

}  // namespace orvelle
