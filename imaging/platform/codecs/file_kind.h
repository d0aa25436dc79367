// What a file is, from its first bytes: the one place the formats are told apart, for the
// decoders and for the page copier alike.
#pragma once

#include <cstddef>

namespace gdip::codecs {

enum class FileKind { Empty, Unknown, Tiff, Jpeg, Png, Gif, Bmp, Pdf };

FileKind fileKindOf(const unsigned char* head, size_t length);

// The kind of the file open on `fd`, from its first bytes (read wherever its offset is);
// Empty when it has none, or they cannot be read.
FileKind fileKindOf(int fd);

}  // namespace gdip::codecs
