// Source lists for the merge command: one path a line, or NUL-separated as find -print0
// writes them, read as bytes, for lists too long for a command line.
#pragma once

#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace orvelle::cli {

struct PathList {
    std::vector<std::string> paths;
    std::string error;  // why the list was refused; empty when it was read
};

// The paths in `in`, in order. With `nulSeparated`, names end with a NUL byte and may hold
// any other byte, a newline included. Otherwise lines end with "\n" or "\r\n", a UTF-8
// byte-order mark at the start is ignored, and a list holding a NUL is refused: a path cannot
// contain one, so such a list was meant to be read with --null. Empty names are skipped.
PathList readPathList(std::istream& in, bool nulSeparated);

// The list in file `path` ("-" for standard input).
PathList readPathListFile(const std::string& path, bool nulSeparated);

}  // namespace orvelle::cli
