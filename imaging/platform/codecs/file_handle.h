// Owners for the C file handles the codecs read through.
#pragma once

#include <cstdio>
#include <memory>

namespace gdip::codecs {

struct FileCloser {
    void operator()(std::FILE* file) const {
        if (file) std::fclose(file);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Wraps an owned descriptor in a stdio stream; closes the descriptor when that fails.
FilePtr streamFromDescriptor(int fd);

// Size in bytes of the file behind `fd`, or -1.
long long descriptorSize(int fd);

}  // namespace gdip::codecs
