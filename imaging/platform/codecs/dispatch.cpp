// Picks a decoder from the file's first bytes, never from its name, for a file on disk or
// one in memory.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "codec.h"
#include "file_kind.h"
#include "file_handle.h"

namespace gdip::codecs {

std::unique_ptr<Decoder> openDecoder(const std::string& path, GpStatus& status, std::string& reason) {
    reason.clear();
    UniqueFd fd = openToRead(path);
    if (fd.get() < 0) {
        const int error = errno;
        reason = std::strerror(error);
        status = (error == ENOENT || error == ENOTDIR) ? FileNotFound
                 : error == EACCES                     ? AccessDenied
                                                       : Win32Error;
        return nullptr;
    }
    struct stat info {};
    if (fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        reason = "not a regular file";
        status = AccessDenied;
        return nullptr;
    }
    const int flags = fcntl(fd.get(), F_GETFL);
    if (flags >= 0) fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);

    return openDecoderOn(std::move(fd), status, reason);
}

std::unique_ptr<Decoder> openDecoderOn(UniqueFd fd, GpStatus& status, std::string& reason) {
    const FileKind kind = fileKindOf(fd.get());
    switch (kind) {
        case FileKind::Tiff: return openTiffDecoder(std::move(fd), status, reason);
        case FileKind::Jpeg: return openJpegDecoder(std::move(fd), status, reason);
        case FileKind::Png: return openPngDecoder(std::move(fd), status, reason);
        case FileKind::Gif: return openGifDecoder(std::move(fd), status, reason);
        case FileKind::Bmp: return openBmpDecoder(std::move(fd), status, reason);
        case FileKind::Pdf: return openPdfDecoder(std::move(fd), status, reason);
        case FileKind::Empty:
        case FileKind::Unknown: break;
    }
    reason = kind == FileKind::Empty ? "empty file" : "not a TIFF, JPEG, PNG, GIF, BMP or PDF file";
    status = UnknownImageFormat;
    return nullptr;
}

std::unique_ptr<Decoder> openDecoderOfBytes(const uint8_t* bytes, size_t size, GpStatus& status,
                                            std::string& reason) {
    reason.clear();
    // A file in memory: every decoder reads through a descriptor.
    UniqueFd fd(memfd_create("picture", MFD_CLOEXEC));
    if (fd.get() < 0) {
        reason = std::strerror(errno);
        status = OutOfMemory;
        return nullptr;
    }
    for (size_t written = 0; written < size;) {
        const ssize_t n = ::write(fd.get(), bytes + written, size - written);
        if (n <= 0) {
            reason = n < 0 ? std::strerror(errno) : "the picture could not be held in memory";
            status = OutOfMemory;
            return nullptr;
        }
        written += static_cast<size_t>(n);
    }
    if (::lseek(fd.get(), 0, SEEK_SET) != 0) {
        status = Win32Error;
        return nullptr;
    }
    return openDecoderOn(std::move(fd), status, reason);
}

}  // namespace gdip::codecs
