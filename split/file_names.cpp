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
                           uint32_t pageIndex, const std::string& extension) {
    std::string name = folder;
    if (name.empty() || name.back() != '/') name += '/';
    return name + StripExtension(FileNameOf(sourcePath)) + "_" + std::to_string(pageIndex + 1) +
           extension;
}

std::string withDefaultExtension(const std::string& path, const std::string& extension) {
    const std::string name = FileNameOf(path);
    // A leading period starts a hidden name, not an extension.
    if (name.find('.', 1) != std::string::npos) return path;
    return path + extension;
}

}  // namespace orvelle
