#include "path_list.h"

#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>

namespace orvelle::cli {

PathList readPathList(std::istream& in, bool nulSeparated) {
    PathList list;
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) {
        list.error = std::strerror(errno);
        return list;
    }
    if (!nulSeparated && bytes.find('\0') != std::string::npos) {
        list.error = "it holds a NUL byte (names separated by NUL, as find -print0 writes them, are read with --null)";
        return list;
    }
    const char separator = nulSeparated ? '\0' : '\n';
    size_t at = 0;
    if (!nulSeparated && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) at = 3;
    while (at < bytes.size()) {
        size_t end = bytes.find(separator, at);
        if (end == std::string::npos) end = bytes.size();
        std::string name = bytes.substr(at, end - at);
        if (!nulSeparated && !name.empty() && name.back() == '\r') name.pop_back();
        if (!name.empty()) list.paths.push_back(std::move(name));
        at = end + 1;
    }
    return list;
}

PathList readPathListFile(const std::string& path, bool nulSeparated) {
    if (path == "-") return readPathList(std::cin, nulSeparated);
    std::ifstream file(path, std::ios::binary);
    if (!file) return {{}, std::strerror(errno)};
    return readPathList(file, nulSeparated);
}

}  // namespace orvelle::cli
