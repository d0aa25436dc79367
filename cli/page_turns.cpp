#include "page_turns.h"

#include "page_ranges.h"

namespace orvelle::cli {
namespace {

std::optional<int> quarterTurnsOf(const std::string& angle) {
    if (angle == "+90" || angle == "90" || angle == "-270") return 1;
    if (angle == "180" || angle == "+180" || angle == "-180") return 2;
    if (angle == "-90" || angle == "270" || angle == "+270") return 3;
    if (angle == "0" || angle == "+0" || angle == "-0") return 0;
    return std::nullopt;
}

}  // namespace

std::optional<std::vector<int>> pageTurns(const std::vector<std::string>& options, uint32_t pageCount,
                                          std::string& why) {
    std::vector<int> turns(pageCount, 0);
    for (const std::string& option : options) {
        const size_t colon = option.find(':');
        const std::optional<int> quarters = quarterTurnsOf(option.substr(0, colon));
        if (!quarters) {
            why = "--rotate " + option + ": the angle is +90, -90 or 180";
            return std::nullopt;
        }
        std::vector<uint32_t> pages;
        if (colon == std::string::npos) {
            for (uint32_t page = 0; page < pageCount; ++page) pages.push_back(page);
        } else {
            const auto ranges = parsePageRanges(option.substr(colon + 1));
            if (!ranges) {
                why = "--rotate " + option + ": the pages are ranges such as 2,4 or 1-z";
                return std::nullopt;
            }
            uint32_t beyond = 0;
            const auto expanded = expandPageRanges(*ranges, pageCount, beyond);
            if (!expanded) {
                why = "--rotate " + option + ": page " + std::to_string(beyond) + " is past the end of the output (" +
                      std::to_string(pageCount) + (pageCount == 1 ? " page)" : " pages)");
                return std::nullopt;
            }
            pages = *expanded;
        }
        // A page named twice in one option is turned once, as it is asked to be.
        std::vector<bool> turned(pageCount, false);
        for (const uint32_t page : pages) {
            if (turned[page]) continue;
            turned[page] = true;
            turns[page] = (turns[page] + *quarters) % 4;
        }
    }
    return turns;
}

}  // namespace orvelle::cli
