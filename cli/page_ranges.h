// Page ranges on the command line: "1-3,7,10-" for split --pages, "file.tif[2-5]" for a merge
// source. Numbers count from 1; pages come in the order written, repeats included. As qpdf
// writes them, "z" is the last page and "rN" the N-th counted from the end ("z-1" backwards).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvelle::cli {

// A page as written: a number from the start, or from the end ("r1", "z").
struct PageRef {
    uint32_t number = 1;
    bool fromEnd = false;
};

struct PageRange {
    PageRef first;
    std::optional<PageRef> last;  // none: to the last page ("10-")
};

// A page number from 1 as typed: digits only, at most 4294967295; nothing otherwise (never a
// number that wrapped around).
std::optional<uint32_t> parsePageNumber(const std::string& text);

// "page 12 is past the end of scan.tif (10 pages)"
std::string pastTheEndReason(uint32_t page, const std::string& path, uint32_t pageCount);

// The ranges in `text`: comma-separated "N", "N-M" (M below N runs backwards) or "N-", each
// page a number, "z" or "rN"; nothing when the text is not of that form or a number is 0.
std::optional<std::vector<PageRange>> parsePageRanges(const std::string& text);

// The pages (from 0) the ranges name in a document of `pageCount` pages. When one is past
// the end, nothing, and `beyond` is set to that page (from 1).
std::optional<std::vector<uint32_t>> expandPageRanges(const std::vector<PageRange>& ranges,
                                                      uint32_t pageCount, uint32_t& beyond);

struct RangedSource {
    std::string path;
    std::optional<std::vector<PageRange>> ranges;
};

// "scan.tif[2-5]" names pages 2 to 5 of scan.tif; a name that really ends in brackets stays
// a name when a file of that name exists, and so does one whose brackets hold no ranges.
RangedSource splitRangedSource(const std::string& operand);

}  // namespace orvelle::cli
