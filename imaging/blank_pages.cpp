#include "blank_pages.h"

#include "text_path.h"

namespace orvelle {

bool isBlankPage(TGPImage& page) {
    uint8_t paper = 0;
    const float ink = page.InkShare(&paper);
    return ink >= 0 && paper >= 128 && ink < kBlankInkShare;
}

std::vector<bool> blankPages(const std::string& path, const std::vector<uint32_t>& pages) {
    std::vector<bool> blank(pages.size(), false);
    TGPImage document(widenPath(path), false);
    const PageList listed = listPages(document);
    for (size_t i = 0; i < pages.size(); ++i) {
        if (pages[i] >= listed.count || document.ActivateFrame(&listed.dimension, pages[i]) != Ok) continue;
        blank[i] = isBlankPage(document);
    }
    return blank;
}

}  // namespace orvelle
