// Blank pages left out of a composition, each one said.
#include "compose.h"
#include "imaging/blank_pages.h"
#include "imaging/text_path.h"

namespace orvelle {

std::vector<DroppedPage> dropBlankPages(ComposeRequest& request) {
    std::vector<DroppedPage> dropped;
    ComposeRequest kept = request;
    kept.sources.clear();
    kept.sourcePages.clear();
    kept.pageTurns.clear();
    size_t place = 0;  // among every page asked for, as turns count them
    for (size_t i = 0; i < request.sources.size(); ++i) {
        const std::string& path = request.sources[i];
        TGPImage document(widenPath(path), false);
        const PageList listed = listPages(document);
        std::vector<uint32_t> pages = i < request.sourcePages.size() ? request.sourcePages[i] : std::vector<uint32_t>{};
        const bool listedPages = !pages.empty();
        if (!listedPages)
            for (uint32_t page = 0; page < (request.allPages ? listed.count : std::min<uint32_t>(listed.count, 1)); ++page)
                pages.push_back(page);
        std::vector<uint32_t> left;
        for (const uint32_t page : pages) {
            const int turn = place < request.pageTurns.size() ? request.pageTurns[place] : 0;
            ++place;
            // A page that cannot be decoded is the composition's to report.
            if (page < listed.count && document.ActivateFrame(&listed.dimension, page) == Ok && isBlankPage(document)) {
                dropped.push_back({path, page});
                continue;
            }
            left.push_back(page);
            kept.pageTurns.push_back(turn);
        }
        if (listed.count > 0 && left.empty()) continue;
        kept.sources.push_back(path);
        // An unreadable source keeps what it was asked for, for the composition to say.
        kept.sourcePages.push_back(listed.count == 0 ? (listedPages ? pages : std::vector<uint32_t>{}) : left);
    }
    request = std::move(kept);
    return dropped;
}

}  // namespace orvelle
