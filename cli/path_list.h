// Source lists for the merge command: one path a line, read as bytes, for lists too long for
// a command line.
#pragma once

#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace orvelle::cli {

// The paths in `in`, in order. Lines end with "\n" or "\r\n"; empty lines are skipped and a
// UTF-8 byte-order mark at the start is ignored; every other byte belongs to the path.
std::vector<std::string> readPathList(std::istream& in);

// The list in file `path` ("-" for standard input); nothing when it cannot be read.
std::optional<std::vector<std::string>> readPathListFile(const std::string& path);

}  // namespace orvelle::cli
