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
            const auto page = parsePageNumber(part);
            if (!page) return std::nullopt;
            range = {*page, *page};
        } else {
            const auto first = parsePageNumber(part.substr(0, dash));
            if (!first) return std::nullopt;
            range.first = *first;
            if (dash + 1 < part.size()) {
                range.last = parsePageNumber(part.substr(dash + 1));
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
        const uint32_t last = range.last.value_or(pageCount);
        const uint32_t highest = std::max(range.first, last);
        if (highest > pageCount) {
            beyond = highest;
            return std::nullopt;
        }
        if (range.first <= last) {
            for (uint32_t page = range.first; page <= last; ++page) pages.push_back(page - 1);
        } else {
            for (uint32_t page = range.first; page >= last; --page) pages.push_back(page - 1);
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
