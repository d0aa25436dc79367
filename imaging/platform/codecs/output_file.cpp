#include "output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace gdip::codecs {
namespace {

GpStatus statusOfErrno(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR: return FileNotFound;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR: return AccessDenied;
        case ENOSPC: return InsufficientBuffer;
        default: return Win32Error;
    }
}

mode_t currentUmask() {
    const mode_t mask = umask(0);
    umask(mask);
    return mask;
}

// A name that is a symbolic link stands for the file it points to: that file is replaced,
// and the link stays a link. A link that points nowhere names the file to create.
std::string followLinks(const std::string& path) {
    std::string current = path;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat info {};
        if (lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
        std::error_code error;
        const std::filesystem::path target = std::filesystem::read_symlink(current, error);
        if (error) return current;
        current = target.is_absolute()
                      ? target.string()
                      : (std::filesystem::path(current).parent_path() / target).string();
    }
    return current;  // a loop: the rename fails the way opening it would
}

// The temporary file has a fixed short name, so that every destination name the file
// system accepts (up to its 255-byte limit) can be written.
constexpr char kTemporaryName[] = ".orvelle-XXXXXX";

}  // namespace

OutputFile::~OutputFile() { abandon(); }

int OutputFile::descriptor() const { return m_stream ? fileno(m_stream) : -1; }

GpStatus OutputFile::create(const std::string& destination) {
    abandon();
    if (destination.empty() || destination.back() == '/') return InvalidParameter;
    const std::string resolved = followLinks(destination);
    const std::filesystem::path target(resolved);
    struct stat existing {};
    const bool exists = stat(resolved.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) return AccessDenied;
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    std::string pattern = (folder / kTemporaryName).string();
    const int fd = mkstemp(pattern.data());
    if (fd < 0) return statusOfErrno(errno);
    if (exists && S_ISREG(existing.st_mode)) {
        // A replaced file keeps its owner and group as far as this user may set them (best
        // effort: a picture written under our own group is still a picture), then its
        // permission bits.
        if (fchown(fd, existing.st_uid, existing.st_gid) != 0)
            (void)!fchown(fd, static_cast<uid_t>(-1), existing.st_gid);
        fchmod(fd, existing.st_mode & 0777);
    } else {
        // mkstemp makes the file private; a new picture gets the usual permissions.
        fchmod(fd, 0666 & ~currentUmask());
    }
    m_stream = fdopen(fd, "w+b");
    if (!m_stream) {
        ::close(fd);
        ::unlink(pattern.c_str());
        return OutOfMemory;
    }
    m_destination = resolved;
    m_temporary = pattern;
    return Ok;
}

GpStatus OutputFile::commit() {
    if (!m_stream) return WrongState;
    const bool written = std::fflush(m_stream) == 0 && std::ferror(m_stream) == 0;
    const bool closed = std::fclose(m_stream) == 0;
    m_stream = nullptr;
    if (!written || !closed) {
        ::unlink(m_temporary.c_str());
        m_temporary.clear();
        return Win32Error;
    }
    if (::rename(m_temporary.c_str(), m_destination.c_str()) != 0) {
        const int error = errno;
        ::unlink(m_temporary.c_str());
        m_temporary.clear();
        return statusOfErrno(error);
    }
    m_temporary.clear();
    return Ok;
}

void OutputFile::abandon() {
    if (m_stream) std::fclose(m_stream);
    m_stream = nullptr;
    if (!m_temporary.empty()) ::unlink(m_temporary.c_str());
    m_temporary.clear();
}

}  // namespace gdip::codecs
