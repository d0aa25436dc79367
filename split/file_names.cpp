#include "file_names.h"

namespace orvelle {

std::string FileNameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string StripExtension(const std::string& name) {
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string pageOutputName(const std::string& folder, const std::string& sourcePath,
                           uint32_t pageIndex, const std::string& extension, int digits) {
    std::string name = folder;
    if (name.empty() || name.back() != '/') name += '/';
    std::string number = std::to_string(uint64_t{pageIndex} + 1);
    if (static_cast<int>(number.size()) < digits) number.insert(0, static_cast<size_t>(digits) - number.size(), '0');
    return name + StripExtension(FileNameOf(sourcePath)) + "_" + number + extension;
}

int pageNumberDigits(uint32_t count) { return static_cast<int>(std::to_string(count).size()); }

std::string withDefaultExtension(const std::string& path, const std::string& extension) {
    const std::string name = FileNameOf(path);
    // A leading period starts a hidden name, not an extension.
    if (name.find('.', 1) != std::string::npos) return path;
    return path + extension;
}

}  // namespace orvelle
