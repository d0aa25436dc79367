// Pages that go into a TIFF as they are stored, without decoding: a TIFF page's strips or
// tiles with every tag that says how to read them, and a JPEG file as a JPEG-compressed
// page whose one strip is the file's own stream.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "../codecs/file_handle.h"
#include "fax_ahead.h"
#include "jpeg_stream.h"
#include "../codecs/stored_image.h"
#include "../codecs/tiff/g4_reader.h"
#include "../codecs/tiff/lzw_strip.h"
#include "../codecs/tiff/tiff_document.h"
#include "../codecs/tiff/tiff_glue.h"
#include "../codecs/tiff/tiff_page_writer.h"

namespace gdip::codecs {

// The pages of a TIFF file, copied one at a time; one strip or tile is held at once.
class TiffPageSource {
public:
    // Indexes the document's pages (reduced-resolution images left out).
    [[nodiscard]] GpStatus open(UniqueFd fd, std::string& why);
    uint32_t pages() const { return static_cast<uint32_t>(m_document.pages.size()); }
    uint32_t reducedImages() const { return m_document.reducedImages; }

    // Adds page `index` to `writer` as stored. NotImplemented, with `why` and nothing
    // added, when its data cannot be copied faithfully (old-style JPEG, a compression this
    // build cannot write, data outside the file); the caller then decodes it.
    // `orientation`, when not 0, replaces the page's own Orientation tag.
    [[nodiscard]] GpStatus copyPage(uint32_t index, TiffPageWriter& writer, std::string& why, uint16_t orientation = 0);

    // Adds page `index` to `writer` turned by `quarterTurns` quarters clockwise as it is
    // seen: its samples decoded, turned and coded again with its own compression, bit depth,
    // colours and tags, so that no pixel changes. NotImplemented, with `why` and nothing
    // added, when that cannot be done (JPEG data, which is turned as a stream, a compression
    // this build cannot write, planes stored apart); the caller then decodes it.
    [[nodiscard]] GpStatus turnPage(uint32_t index, int quarterTurns, TiffPageWriter& writer, std::string& why);

    // The page's compression, as TIFF numbers it; 0 when its directory cannot be read.
    uint16_t compressionOf(uint32_t index);
    // The page's Orientation tag, 1 when it has none.
    uint16_t orientationOf(uint32_t index);

    // Page `index` as a picture a PDF holds as it is: G4 data in one strip (as a piece of
    // the file, whose path the caller fills in, when it is stored first bit first), or JPEG
    // data in one strip that makes a complete stream with the page's tables. NotImplemented,
    // with `why`, for any other page.
    [[nodiscard]] GpStatus storedImage(uint32_t index, StoredImage& image, std::string& why);

private:
    GpStatus copyInto(TIFF* out, bool tiled, uint32_t pieces, std::string& why);
    // The current page's samples, decoded, in rows without padding.
    GpStatus readSamples(uint64_t lineBytes, uint32_t height, std::vector<uint8_t>& samples, std::string& why);
    // The current page's one strip as `image`'s G4 data (stored with `fill`) or JPEG stream.
    GpStatus storedFax(uint16_t fill, StoredImage& image, std::string& why);
    GpStatus storedJpeg(uint16_t samples, StoredImage& image, std::string& why);
    bool pieceDecodes(uint32_t index, bool tiled, size_t size);
    // Whether piece `index` decodes to `expected` bytes; `size` of its stored bytes are in
    // m_buffer, or none (0).
    bool faxPieceDecodes(uint32_t index, bool tiled, uint64_t expected, size_t size);
    bool ownG4PieceDecodes(bool tiled, uint64_t expected, size_t size);
    // Strip `strip` of the current Group 4 page, `rows` rows of `width` pixels, into `out`
    // by our reader; false when it declines the strip (libtiff then reads it).
    bool readOwnG4Strip(uint32_t strip, uint32_t width, uint32_t rows, uint64_t lineBytes, uint8_t* out);
    bool jpegPieceWhole(size_t size);
    bool readPiece(uint32_t index, std::string& out);

    // Makes page `index` the handle's current directory.
    bool selectPage(uint32_t index);

    // Whether the current page holds Group 4 data of one-bit samples; `reversed` when stored
    // least significant bit first.
    bool isG4Page(bool& reversed);
    // Faxes are read one page ahead (fax_ahead.h).
    // The current page's one strip, when the page is a fax.
    bool faxPieceOfPage(FaxAhead::Piece& piece);
    // Starts reading page `index` ahead, when it is a fax.
    void readAhead(uint32_t index, FaxAhead::Want want);
    // The current page's rows as read ahead, (width + 7) / 8 bytes apart, when they were
    // drawn and its data was clean; null otherwise.
    const uint8_t* aheadRows();
    // Whether the current page was read ahead and its data was clean.
    bool aheadClean();
    // Selects page `index` for this thread's work on it and, unless it was read ahead
    // itself, starts reading the next page ahead, for what this one is wanted.
    bool beginPage(uint32_t index, FaxAhead::Want want);

    TiffErrors m_errors;  // declared before the handle that reports into it
    TiffDocument m_document;
    FileIdentity m_identity;
    std::vector<uint8_t> m_buffer;  // one strip or tile
    std::vector<uint8_t> m_rows;    // a fax piece decoded, to know that it decodes
    LzwStripReader m_lzw;            // checks LZW pieces before they are copied
    G4Reader m_g4;                   // checks and reads Group 4 pieces
    uint32_t m_page = UINT32_MAX;    // the handle's current page
    FaxAhead m_ahead;  // last: its worker reads the file the members above hold open
};

}  // namespace gdip::codecs
