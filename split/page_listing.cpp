#include "page_listing.h"

#include <memory>
#include <vector>

#include "imaging/status_text.h"
#include "imaging/text_path.h"
#include "split/page_lanes.h"

namespace orvelle {
namespace {

// One page made ready for its entry on a lane: its size as far as known, and its tile's
// picture (null when the page could not be decoded).
struct ScaledPage {
    uint32_t page = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    std::unique_ptr<TGPImage> thumbnail;
    std::string reason;  // why it could not be decoded
};

ScaledPage scalePage(TGPImage& decoder, GUID dimension, uint32_t page) {
    ScaledPage scaled;
    scaled.page = page;
    // A large page is reduced as it is read by bands, never whole in memory.
    GpStreamedFrame streamed;
    const GpStatus reduced = decoder.ThumbnailStreamed(
        page, gdip::GdipBandedFromBytes,
        [](uint32_t width, uint32_t height) {
            const TileSize size = tileSizeFor(width, height);
            return GpDrawnSize{static_cast<uint32_t>(size.width), static_cast<uint32_t>(size.height), 1.0f};
        },
        scaled.thumbnail, streamed);
    if (reduced == Ok) {
        scaled.width = streamed.width;
        scaled.height = streamed.height;
        return scaled;
    }
    if (reduced != NotImplemented) {
        scaled.reason = decodeFailureReason(reduced, streamed.failure);
        return scaled;
    }
    if (const GpStatus status = decoder.ActivateFrame(&dimension, page); status != Ok) {
        scaled.reason = decodeFailureReason(decoder, status);
        return scaled;
    }
    scaled.width = decoder.PixelWidth();
    scaled.height = decoder.PixelHeight();
    if (scaled.width > 0 && scaled.height > 0) scaled.thumbnail = makeTileThumbnail(decoder);
    return scaled;
}

}  // namespace

std::string PageCaption(uint32_t pageIndex, uint32_t width, uint32_t height) {
    return say(TextId::PageCaption, pageIndex + 1) + std::to_string(width) + "*" +
           std::to_string(height);
}

PageListing listTiffPages(const std::string& sourcePath, TileTarget& target, PageListSink& sink,
                          JobContext& context) {
    PageListing listing;
    // No page is decoded before its turn: one reduced by bands is never whole in memory.
    std::unique_ptr<TGPImage> source(new TGPImage(widenPath(sourcePath), TGPImage::Deferred{}));
    const GpStatus opened = source->LastStatus;
    const PageList listed = listPages(*source);
    const GUID dimension = listed.dimension;
    const uint32_t count = listed.count;
    if (count == 0) {
        listing.sourceFailure = decodeFailureReason(*source, opened);
        source.reset();
        showError(context.messages, TextId::TiffUnreadable,
                  sourcePath + ": " + listing.sourceFailure);
        return listing;
    }
    std::unique_ptr<TGPPen> pen(CreateTileFramePen());
    // Pages are decoded and scaled in lanes (two at a time where the pages allow it); tiles
    // are drawn, entries made, progress shown and events pumped page by page in order on
    // this thread.
    ProgressScope progress(context.progress, static_cast<int>(count), say(TextId::ListingProgress));
    const auto start = [dimension](size_t page) {
        return [dimension, page](TGPImage& decoder) {
            return scalePage(decoder, dimension, static_cast<uint32_t>(page));
        };
    };
    const auto finish = [&](ScaledPage scaled) {
        if (scaled.thumbnail) {
            drawTileAround(scaled.thumbnail.get(), target, *pen);
        } else {
            drawBlankTile(target, *pen);
            ++listing.failedPages;
            listing.failures.push_back({.page = scaled.page, .reason = std::move(scaled.reason)});
        }
        sink.addPage(PageCaption(scaled.page, scaled.width, scaled.height));
        progress.step(static_cast<int>(listing.pages));
        ++listing.pages;
        context.pump.processPendingEvents();
    };
    // The entries made so far stay; a page already on its way gets its entry too.
    listing.cancelled = runInPageLanes(std::move(source), sourcePath, count, start, finish,
                                       [&](size_t page) { return page > 0 && context.cancelRequested(); });
    return listing;
}

}  // namespace orvelle
