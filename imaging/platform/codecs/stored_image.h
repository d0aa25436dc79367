// A page's picture as its file stores it, in one of the two codings a PDF carries as they
// are: a complete JPEG stream, or CCITT G4 fax data. Pages pass between TIFF, JPEG and PDF
// files in this form without being decoded.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "../page_metadata.h"

namespace gdip::codecs {

// Which file a piece of data lies in, as it was when the piece was found: a writer that reads
// the piece later reads it only from that same, unchanged file.
struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t size = 0;
    int64_t modifiedSeconds = 0;
    int64_t modifiedNanoseconds = 0;

    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file open on `fd`; false when it cannot be had.
bool identityOf(int fd, FileIdentity& identity);

// The picture's bytes as they lie in a file: `size` bytes from `offset`.
struct FilePiece {
    std::string path;
    FileIdentity identity;
    uint64_t offset = 0;
    uint64_t size = 0;
};

struct StoredImage {
    enum class Coding { Jpeg, Fax };
    Coding coding = Coding::Jpeg;
    // The JPEG stream from SOI to EOI, or G4 data, first bit most significant; shared, so
    // that a writer holding pages until it finishes copies none.
    std::shared_ptr<const std::string> data;
    // Where the same bytes lie in a file, when they are a piece of one as it is: a writer
    // may read them from there as it writes, and `data` may then be empty.
    std::optional<FilePiece> piece;
    uint32_t width = 0;
    uint32_t height = 0;
    uint8_t components = 1;     // JPEG: 1 grey, 3 colour, 4 CMYK
    bool invertedCmyk = false;  // JPEG: Adobe's CMYK, stored inverted
    // Fax: PDF's BlackIs1. The coder calls runs of 0 bits white: the data of a TIFF page whose
    // 0 is black (BlackIsZero) is read with this set.
    bool blackIs1 = false;
    // The page's facts as a decoded frame carries them: dots per inch (0 when the file
    // gives none), and its profile, a resolution without unit and how its rows are stored
    // (1 to 8 as TIFF numbers it; only the turns 1, 3, 6 and 8 are carried as stored, a
    // mirrored page is decoded instead).
    double dpiX = 0;
    double dpiY = 0;
    PageMetadata meta;

    bool empty() const { return bytes().empty() && (!piece || piece->size == 0); }
    const std::string& bytes() const {
        static const std::string none;
        return data ? *data : none;
    }
};

}  // namespace gdip::codecs
