// Pages taken one by one from each source in turn: the fronts and the backs of a duplex scan
// made one document.
#include <string>

#include "compose.h"
#include "imaging/stored_page_writer.h"
#include "imaging/text_path.h"

namespace orvelle {

bool collateSources(ComposeRequest& request, std::string& why) {
    std::vector<std::vector<uint32_t>> stacks;
    for (size_t i = 0; i < request.sources.size(); ++i) {
        std::vector<uint32_t> pages = i < request.sourcePages.size() ? request.sourcePages[i] : std::vector<uint32_t>{};
        if (pages.empty()) {
            // Without pages listed, every page: a stack is the whole document.
            const TGPPageSource source(widenPath(request.sources[i]), request.pdf);
            if (source.pages() == 0) {
                why = request.sources[i] + " cannot be read, so its pages cannot be counted";
                return false;
            }
            for (uint32_t page = 0; page < source.pages(); ++page) pages.push_back(page);
        }
        if (!stacks.empty() && pages.size() != stacks[0].size()) {
            // Interleaved anyway, every page after the shorter stack's end would face the wrong one.
            why = "the pages are taken one from each source in turn, so the sources must have as many: " +
                  request.sources[0] + " has " + std::to_string(stacks[0].size()) + ", " + request.sources[i] +
                  " " + std::to_string(pages.size());
            return false;
        }
        stacks.push_back(std::move(pages));
    }
    std::vector<std::string> sources;
    std::vector<std::vector<uint32_t>> sourcePages;
    for (size_t k = 0; !stacks.empty() && k < stacks[0].size(); ++k) {
        for (size_t i = 0; i < stacks.size(); ++i) {
            sources.push_back(request.sources[i]);
            sourcePages.push_back({stacks[i][k]});
        }
    }
    request.sources = std::move(sources);
    request.sourcePages = std::move(sourcePages);
    return true;
}

}  // namespace orvelle
