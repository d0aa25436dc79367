// The file handles the codecs read through: opened one way, read exactly, known again.
#include "file_handle.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "stored_image.h"

namespace gdip::codecs {

void UniqueFd::reset() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

FilePtr streamFromDescriptor(UniqueFd fd) {
    std::FILE* file = fdopen(fd.get(), "rb");
    if (file) (void)fd.release();  // the stream closes it now
    return FilePtr(file);
}

bool identityOf(int fd, FileIdentity& identity) {
    struct stat info {};
    if (fstat(fd, &info) != 0) return false;
    identity = {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino),
                static_cast<uint64_t>(info.st_size), static_cast<int64_t>(info.st_mtim.tv_sec),
                static_cast<int64_t>(info.st_mtim.tv_nsec)};
    return true;
}

bool readFully(int fd, uint64_t offset, void* out, size_t size) {
    auto* bytes = static_cast<char*>(out);
    for (size_t done = 0; done < size;) {
        const ssize_t got = ::pread(fd, bytes + done, size - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got == 0) errno = ENODATA;  // the file ends early: no system error of its own
        if (got <= 0) return false;
        done += static_cast<size_t>(got);
    }
    return true;
}

long long descriptorSize(int fd) {
    struct stat info {};
    if (fstat(fd, &info) != 0) return -1;
    return static_cast<long long>(info.st_size);
}

UniqueFd openToRead(const std::string& path) {
    // O_NONBLOCK keeps a FIFO from blocking the open; callers refuse what is not a regular file.
    return UniqueFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
}

bool unchanged(int fd, const FileIdentity& identity) {
    FileIdentity now;
    return fd >= 0 && identityOf(fd, now) && now == identity;
}

}  // namespace gdip::codecs
