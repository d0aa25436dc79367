#include "merge_adding.h"

#include <exception>

#include "imaging/gdipobj.h"
#include "imaging/text_path.h"

namespace orvelle {

std::optional<std::string> FillMergeItemSize(const std::string& path) {
    TGPImage image(widenPath(path), false);
    if (!image.NativeHandle) return std::nullopt;
    std::string size =
        std::to_string(image.PixelWidth()) + "×" + std::to_string(image.PixelHeight());
    // How many pages "取全部页面" would take from it.
    if (const uint32_t pages = listPages(image).count; pages > 1) size += say(TextId::DocumentPages, pages);
    return size;
}

bool AddMergeItem(MergeList& list, const std::string& path) {
    // One file's trouble (memory for a huge header, say) must not end the batch.
    try {
        std::optional<std::string> size = FillMergeItemSize(path);
        if (!size) return false;
        list.add({path, std::move(*size)});
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

MergeAdding addMergeFiles(MergeList& list, const std::vector<std::string>& paths,
                          JobContext& context) {
    MergeAdding adding;
    {
        // Shown until the closing messages; a file may take long to be read.
        const StatusScope status(context.progress, say(TextId::AddingProgress));
        for (const std::string& path : paths) {
            if (AddMergeItem(list, path))
                ++adding.added;
            else
                adding.rejected.push_back(path);
            context.pump.processPendingEvents();
            // The files added so far stay, and those refused so far are still named.
            if (context.cancelRequested()) {
                adding.cancelled = adding.added + adding.rejected.size() < paths.size();
                break;
            }
        }
        if (list.count() > 0)
            list.select(static_cast<int>(list.count()) - 1);  // its preview is decoded
    }
    if (!adding.rejected.empty())
        showError(context.messages, {TextId::PicturesNotAdded, 0, adding.rejected});
    // A cancelled batch says so, as the other jobs do.
    if (adding.cancelled)
        showInformation(context.messages,
                        {TextId::CancelledAdded, static_cast<long long>(adding.added)});
    return adding;
}

}  // namespace orvelle
