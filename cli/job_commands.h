// `orvelle-cli split`, `merge` and `tiles`: the window's jobs and page list from a shell.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace orvelle::cli {

// Exit status: 0 all written, 1 some pages or sources failed, 2 nothing written or bad
// arguments.
int runSplit(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int runMerge(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// Every page's 120 x 120 tile as DIR/<stem>_<k>.png, the captions on `out`.
int runTiles(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace orvelle::cli
