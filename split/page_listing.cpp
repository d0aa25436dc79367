#include "page_listing.h"

#include <memory>

#include "imaging/text_path.h"

namespace orvelle {
namespace {

const char* const kListingProgressText = "正在将TIFF文件分页显示,请等待......";

}  // namespace

std::string PageCaption(uint32_t pageIndex, uint32_t width, uint32_t height) {
    return "图(" + std::to_string(pageIndex + 1) + ") " + std::to_string(width) + "*" +
           std::to_string(height);
}

PageListing listTiffPages(const std::string& sourcePath, TileTarget& target, PageListSink& sink,
                          JobContext& context) {
    PageListing listing;
    std::unique_ptr<TGPImage> source(new TGPImage(widenPath(sourcePath), false));
    GUID dimension{};
    // A failed listing leaves the id zero: no frame counts, and that is the failure.
    (void)source->ListFrameDimensions(&dimension, 1);
    const uint32_t count = source->CountFrames(&dimension);
    if (count == 0) {
        source.reset();
        showError(context.messages, "TIF文件无法识别!");
        return listing;
    }
    std::unique_ptr<TGPPen> pen(CreateTileFramePen());
    ProgressScope progress(context.progress, static_cast<int>(count), kListingProgressText);
    for (uint32_t page = 0; page < count; ++page) {
        const bool decoded = source->ActivateFrame(&dimension, page) == Ok;
        const uint32_t width = decoded ? source->PixelWidth() : 0;
        const uint32_t height = decoded ? source->PixelHeight() : 0;
        if (width > 0 && height > 0) {
            DrawThumbnailTile(*source, target, *pen);
        } else {
            drawBlankTile(target, *pen);
            ++listing.failedPages;
        }
        sink.addPage(PageCaption(page, width, height));
        ++listing.pages;
        progress.step(static_cast<int>(page));
        context.pump.processPendingEvents();
        // The entries made so far stay.
        if (context.cancelRequested() && page + 1 < count) {
            listing.cancelled = true;
            break;
        }
    }
    return listing;
}

}  // namespace orvelle
