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

}  // namespace

OutputFile::~OutputFile() { abandon(); }

int OutputFile::descriptor() const { return m_stream ? fileno(m_stream) : -1; }

GpStatus OutputFile::create(const std::string& destination) {
    abandon();
    if (destination.empty() || destination.back() == '/') return InvalidParameter;
    const std::filesystem::path target(destination);
    struct stat existing {};
    if (stat(destination.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) return AccessDenied;
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    std::string pattern = (folder / ("." + target.filename().string() + ".orvelle-XXXXXX")).string();
    const int fd = mkstemp(pattern.data());
    if (fd < 0) return statusOfErrno(errno);
    // mkstemp makes the file private; a saved picture gets the usual permissions.
    fchmod(fd, 0666 & ~currentUmask());
    m_stream = fdopen(fd, "w+b");
    if (!m_stream) {
        ::close(fd);
        ::unlink(pattern.c_str());
        return OutOfMemory;
    }
    m_destination = destination;
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
