#include "page_ranges.h"

#include <sys/stat.h>

#include <charconv>

#include "quoted_name.h"

namespace orvelle::cli {
std::optional<uint32_t> parsePageNumber(const std::string& text) {
    uint32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [last, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || last != end || value == 0) return std::nullopt;
    return value;
}

std::string pastTheEndReason(uint32_t page, const std::string& path, uint32_t pageCount) {
    return "page " + std::to_string(page) + " is past the end of " + quotedName(path) + " (" +
           std::to_string(pageCount) + (pageCount == 1 ? " page)" : " pages)");
}

namespace {

std::optional<PageRef> parsePageRef(const std::string& text) {
    if (text == "z") return PageRef{1, true};
    const bool fromEnd = !text.empty() && text[0] == 'r';
    const auto number = parsePageNumber(fromEnd ? text.substr(1) : text);
    if (!number) return std::nullopt;
    return PageRef{*number, fromEnd};
}

// The page `ref` names, from 1, in a document of `pageCount` pages; 0 when there is none.
uint32_t pageOf(const PageRef& ref, uint32_t pageCount) {
    if (!ref.fromEnd) return ref.number;
    return ref.number <= pageCount ? pageCount + 1 - ref.number : 0;
}

}  // namespace

std::optional<std::vector<PageRange>> parsePageRanges(const std::string& text) {
    std::vector<PageRange> ranges;
    size_t at = 0;
    while (at <= text.size()) {
        size_t comma = text.find(',', at);
        if (comma == std::string::npos) comma = text.size();
        const std::string part = text.substr(at, comma - at);
        const size_t dash = part.find('-');
        PageRange range;
        if (dash == std::string::npos) {
            const auto page = parsePageRef(part);
            if (!page) return std::nullopt;
            range = {*page, *page};
        } else {
            const auto first = parsePageRef(part.substr(0, dash));
            if (!first) return std::nullopt;
            range.first = *first;
            if (dash + 1 < part.size()) {
                range.last = parsePageRef(part.substr(dash + 1));
                if (!range.last) return std::nullopt;
            }
        }
        ranges.push_back(range);
        at = comma + 1;
    }
    return ranges;
}

std::optional<std::vector<uint32_t>> expandPageRanges(const std::vector<PageRange>& ranges,
                                                      uint32_t pageCount, uint32_t& beyond) {
    std::vector<uint32_t> pages;
    for (const PageRange& range : ranges) {
        // A page counted from the end past the document's start is as far out as the same
        // number past its end.
        for (const PageRef& ref : {range.first, range.last.value_or(PageRef{})})
            if (ref.fromEnd && pageOf(ref, pageCount) == 0) {
                beyond = ref.number;
                return std::nullopt;
            }
        const uint32_t first = pageOf(range.first, pageCount);
        const uint32_t last = range.last ? pageOf(*range.last, pageCount) : pageCount;
        const uint32_t highest = std::max(first, last);
        if (highest > pageCount) {
            beyond = highest;
            return std::nullopt;
        }
        if (first <= last) {
            for (uint32_t page = first; page <= last; ++page) pages.push_back(page - 1);
        } else {
            for (uint32_t page = first; page >= last; --page) pages.push_back(page - 1);
        }
    }
    return pages;
}

RangedSource splitRangedSource(const std::string& operand) {
    const size_t open = operand.rfind('[');
    if (operand.empty() || operand.back() != ']' || open == std::string::npos || open == 0)
        return {operand, std::nullopt};
    struct stat info {};
    if (::stat(operand.c_str(), &info) == 0) return {operand, std::nullopt};
    auto ranges = parsePageRanges(operand.substr(open + 1, operand.size() - open - 2));
    if (!ranges) return {operand, std::nullopt};
    return {operand.substr(0, open), std::move(ranges)};
}

}  // namespace orvelle::cli
