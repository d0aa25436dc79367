#include "output_target.h"

#include <limits.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace orvelle {
namespace {

std::string kindOf(mode_t mode) {
    if (S_ISDIR(mode)) return std::strerror(EISDIR);
    if (S_ISFIFO(mode)) return "is a FIFO, not a regular file";
    if (S_ISSOCK(mode)) return "is a socket, not a regular file";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "is a device, not a regular file";
    return "is not a regular file";
}

}  // namespace

std::string outputRefusal(const std::string& path) {
    if (path.empty()) return std::strerror(ENOENT);
    const std::filesystem::path target(path);
    if (target.filename().string().size() > NAME_MAX) return std::strerror(ENAMETOOLONG);
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) return S_ISREG(info.st_mode) ? "" : kindOf(info.st_mode);
    if (errno != ENOENT) return std::strerror(errno);
    // A link that points nowhere names the file to create, beside the link's target.
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    if (::stat(folder.c_str(), &info) != 0) return std::strerror(errno);
    if (!S_ISDIR(info.st_mode)) return std::strerror(ENOTDIR);
    return "";
}

}  // namespace orvelle
