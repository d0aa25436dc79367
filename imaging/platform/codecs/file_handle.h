// Owners for the C file handles the codecs read through.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace gdip::codecs {

struct FileCloser {
    void operator()(std::FILE* file) const {
        if (file) std::fclose(file);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Owns a file descriptor: closed exactly once, on every path, unless released to a new
// owner (a stdio stream, a libtiff handle).
class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) : m_fd(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            reset();
            m_fd = other.release();
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return m_fd; }
    [[nodiscard]] int release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void reset();

private:
    int m_fd;
};

// Wraps the descriptor in a stdio stream, which then owns it; null (and the descriptor
// closed) when that fails.
FilePtr streamFromDescriptor(UniqueFd fd);

// Size in bytes of the file behind `fd`, or -1.
long long descriptorSize(int fd);

// Reads exactly `size` bytes of `fd` from `offset`; false when the file ends first or a read
// fails.
bool readFully(int fd, uint64_t offset, void* out, size_t size);

// Opens `path` to read, never waiting on a FIFO; -1 (errno set) on failure.
UniqueFd openToRead(const std::string& path);

struct FileIdentity;
// Whether the file open on `fd` is still the one `identity` was taken of, unchanged.
bool unchanged(int fd, const FileIdentity& identity);

}  // namespace gdip::codecs
