// The folder a split or the tiles are written into, made when it is not there yet, as users
// expect of --out.
#pragma once

#include <string>

namespace orvelle::cli {

// Makes `folder` and its missing parents; false, with `why` in the system's words, when it
// cannot be made or something else of that name is in the way.
bool makeOutputFolder(const std::string& folder, std::string& why);

}  // namespace orvelle::cli
