// The chain of image directories of a TIFF file, walked from the header without decoding
// any directory: a document whose first (or any) directory is damaged still has all its
// pages counted, and each damaged page fails on its own when it is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace gdip::codecs {

struct TiffChain {
    bool little = true;
    bool bigTiff = false;
    std::vector<uint64_t> offsets;  // where each directory starts, in page order
    // Per directory: NewSubfileType marks it a reduced-resolution copy of another page (a
    // preview), which is not a page of the document.
    std::vector<bool> reduced;
};

// The directories that are pages of the document: all but the reduced-resolution ones,
// unless there is nothing else.
std::vector<uint64_t> documentPages(const TiffChain& chain);

// Reads `length` bytes at `offset`; false when they are not all there.
using ReadAt = std::function<bool(uint64_t offset, uint8_t* buffer, size_t length)>;

// Reads through pread on `fd`, leaving the descriptor's own offset as it is.
ReadAt descriptorReader(int fd);

// Follows the chain until it ends, points outside the file, loops back or reaches
// `maxDirectories`. False when the header is not a TIFF header.
bool readTiffChain(const ReadAt& read, uint64_t fileSize, uint32_t maxDirectories,
                   TiffChain& chain);

}  // namespace gdip::codecs
