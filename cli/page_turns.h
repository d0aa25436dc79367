// Pages turned from the command line, as qpdf writes it: --rotate ANGLE[:PAGES], ANGLE +90
// (or 90), -90 (or 270) or 180, PAGES ranges of the output's pages ("2,4", "z", "1-z");
// without PAGES, every page. Repeated options add up.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace orvelle::cli {

// Quarter turns clockwise of each of `pageCount` output pages, from every `--rotate` value
// in `options`; nothing, with `why`, when one is not of that form or names a page past the end.
std::optional<std::vector<int>> pageTurns(const std::vector<std::string>& options, uint32_t pageCount, std::string& why);

}  // namespace orvelle::cli
