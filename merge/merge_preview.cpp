#include "merge_preview.h"

#include <memory>

#include "imaging/text_path.h"

namespace orvelle {

void PreviewMergeItem(const std::string& path, TileTarget& target) {
    TGPImage image(widenPath(path), false);
    std::unique_ptr<TGPPen> pen(CreateTileFramePen());
    DrawThumbnailTile(image, target, *pen);
}

}  // namespace orvelle
