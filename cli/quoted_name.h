// File names in the command line's messages.
#pragma once

#include <string>

namespace orvelle::cli {

// `path` as it stands, unless it holds a blank or a control character: then in single quotes,
// with control characters and quotes escaped, so that a name of blanks, or one that ends in a
// space or holds a newline, can be seen for what it is.
std::string quotedName(const std::string& path);

}  // namespace orvelle::cli
