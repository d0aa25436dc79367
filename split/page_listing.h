// Listing the pages of a TIFF as tiles with captions: the loop of the page list, without Qt.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/thumbnail_tile.h"
#include "jobs/job_reporting.h"
#include "split/page_export.h"

namespace orvelle {

// Where the entries go: one call per page, in page order, right after the page's tile was
// drawn into the listing's target.
class PageListSink {
public:
    virtual ~PageListSink() = default;
    virtual void addPage(const std::string& caption) = 0;
};

// "图(k) W*H", k from 1.
std::string PageCaption(uint32_t pageIndex, uint32_t width, uint32_t height);

struct PageListing {
    uint32_t pages = 0;         // entries made
    uint32_t failedPages = 0;   // of which could not be decoded
    bool cancelled = false;     // stopped before the last page
    std::vector<PageOutcome> failures;  // each page that could not be decoded, and why
    std::string sourceFailure;          // why the document could not be opened, when it could not
};

// Decodes `sourcePath` once and gives every page an entry: its tile drawn into `target`,
// then its caption handed to `sink`; progress after each page, events pumped. A page that
// fails to decode still gets its entry (a white framed tile, its size as far as known), so
// that entry positions always equal page indices. A file that cannot be decoded makes no
// entry and says "TIF文件无法识别!".
PageListing listTiffPages(const std::string& sourcePath, TileTarget& target, PageListSink& sink,
                          JobContext& context);

}  // namespace orvelle
