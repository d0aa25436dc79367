#include "output_target.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

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
    if (::stat(path.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode)) return kindOf(info.st_mode);
    } else if (errno != ENOENT) {
        return std::strerror(errno);
    }
    // The file is written beside its destination and renamed over it: its folder must take
    // a new file. (A link that points nowhere names the file to create.)
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    if (::stat(folder.c_str(), &info) != 0) return std::strerror(errno);
    if (!S_ISDIR(info.st_mode)) return std::strerror(ENOTDIR);
    if (::access(folder.c_str(), W_OK) != 0) return std::strerror(errno);
    return "";
}

}  // namespace orvelle
