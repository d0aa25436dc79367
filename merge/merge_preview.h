// The merge page's preview: the tile of an entry's picture, decoded afresh.
#pragma once

#include <string>

#include "imaging/thumbnail_tile.h"

namespace orvelle {

// Draws the tile of the first page of `path` into `target`; a file that no longer decodes
// leaves the target empty, without a message.
void PreviewMergeItem(const std::string& path, TileTarget& target);

}  // namespace orvelle
