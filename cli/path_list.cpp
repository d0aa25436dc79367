#include "path_list.h"

#include <fstream>
#include <iostream>

namespace orvelle::cli {

std::vector<std::string> readPathList(std::istream& in) {
    std::vector<std::string> paths;
    std::string line;
    bool first = true;
    while (std::getline(in, line)) {
        if (first && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
        first = false;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) paths.push_back(line);
    }
    return paths;
}

std::optional<std::vector<std::string>> readPathListFile(const std::string& path) {
    if (path == "-") return readPathList(std::cin);
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::vector<std::string> paths = readPathList(file);
    if (file.bad()) return std::nullopt;
    return paths;
}

}  // namespace orvelle::cli
