#include "file_kind.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace gdip::codecs {

FileKind fileKindOf(const unsigned char* head, size_t length) {
    auto startsWith = [&](const char* magic, size_t n) { return length >= n && std::memcmp(head, magic, n) == 0; };
    if (length == 0) return FileKind::Empty;
    if (startsWith("II*\0", 4) || startsWith("MM\0*", 4) || startsWith("II+\0", 4) || startsWith("MM\0+", 4))
        return FileKind::Tiff;
    if (startsWith("\xFF\xD8\xFF", 3)) return FileKind::Jpeg;
    if (startsWith("\x89PNG\r\n\x1A\n", 8)) return FileKind::Png;
    if (startsWith("GIF87a", 6) || startsWith("GIF89a", 6)) return FileKind::Gif;
    if (startsWith("BM", 2)) return FileKind::Bmp;
    if (startsWith("%PDF-", 5)) return FileKind::Pdf;
    return FileKind::Unknown;
}

FileKind fileKindOf(int fd) {
    unsigned char head[16] = {};
    size_t length = 0;
    // A short read is not the end of the file, nor is a signal.
    while (length < sizeof head) {
        const ssize_t got = ::pread(fd, head + length, sizeof head - length, static_cast<off_t>(length));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        length += static_cast<size_t>(got);
    }
    return fileKindOf(head, length);
}

}  // namespace gdip::codecs
