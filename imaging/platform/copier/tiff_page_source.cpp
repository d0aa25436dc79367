#include "tiff_page_source.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "../image_limits.h"
#include "fax_pages.h"
#include "../codecs/tiff/tiff_chain.h"
#include "../codecs/tiff/tiff_metadata.h"
#include "tiff_tags.h"

namespace gdip::codecs {

GpStatus TiffPageSource::open(UniqueFd fd, std::string& why) {
    // Pieces of the file are read again when a PDF is written: without the file's identity
    // now, a change then could not be told from no change.
    if (!identityOf(fd.get(), m_identity)) {
        why = std::string("the file cannot be examined: ") + std::strerror(errno);
        return Win32Error;
    }
    return openTiffDocument(std::move(fd), m_errors, m_document, why);
}

GpStatus TiffPageSource::copyPage(uint32_t index, TiffPageWriter& writer, std::string& why, uint16_t orientation) {
    if (index >= m_document.pages.size()) return InvalidParameter;
    TIFF* in = m_document.tiff.get();
    m_errors.failed = false;
    m_errors.reason.clear();
    if (!beginPage(index, FaxAhead::Want::Check)) {
        why = "the page's directory cannot be read";
        return NotImplemented;  // decoding says why the page fails
    }
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(in, TIFFTAG_COMPRESSION, &compression);
    if (compression == COMPRESSION_OJPEG) {
        why = "old-style JPEG data cannot be copied faithfully";
        return NotImplemented;
    }
    if (!TIFFIsCODECConfigured(compression)) {
        why = "its compression (" + std::to_string(compression) + ") is not one this build can write";
        return NotImplemented;
    }
    const bool tiled = TIFFIsTiled(in);
    const uint32_t pieces = tiled ? TIFFNumberOfTiles(in) : TIFFNumberOfStrips(in);
    uint64_t stored = 0, largest = 0;
    for (uint32_t i = 0; i < pieces; ++i) {
        const uint64_t offset = TIFFGetStrileOffset(in, i), bytes = TIFFGetStrileByteCount(in, i);
        if (bytes == 0 || offset > m_document.fileSize || bytes > m_document.fileSize - offset) {
            why = "part of its stored data is missing";
            return NotImplemented;
        }
        stored += bytes;
        largest = std::max(largest, bytes);
    }
    if (pieces == 0) {
        why = "it has no stored data";
        return NotImplemented;
    }
    if (largest > Limits::kMaxCodecAllocation) {
        why = "a strip of it is too large to copy in one piece";
        return NotImplemented;
    }
    uint16_t bits = 1;
    TIFFGetFieldDefaulted(in, TIFFTAG_BITSPERSAMPLE, &bits);
    try {
        m_buffer.resize(static_cast<size_t>(largest));
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
    return writer.addFilledPage(stored, [&](TIFF* out) {
        copyTags(in, out, compression, bits, tiled);
        if (orientation != 0) TIFFSetField(out, TIFFTAG_ORIENTATION, orientation);
        return copyInto(out, tiled, pieces, why);
    });
}

namespace {

// Whether the zlib stream of `size` bytes at `data` gives at least `expected` bytes.
bool inflatesTo(const uint8_t* data, size_t size, uint64_t expected) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return true;  // no judgement without memory
    std::vector<uint8_t> scratch(64 * 1024);
    stream.next_in = const_cast<uint8_t*>(data);
    stream.avail_in = static_cast<uInt>(std::min<size_t>(size, UINT32_MAX));
    int status = Z_OK;
    while (status == Z_OK && stream.total_out < expected) {
        stream.next_out = scratch.data();
        stream.avail_out = static_cast<uInt>(scratch.size());
        status = inflate(&stream, Z_NO_FLUSH);
    }
    const bool whole = stream.total_out >= expected;
    inflateEnd(&stream);
    return whole;
}

}  // namespace

// Whether piece `index`, `size` bytes of it in the buffer, gives the pictures its layout
// says it holds: a damaged piece copied as it is would be a page no reader can show,
// reported as kept. LZW and deflate are undone into nothing; fax data is decoded, which is
// cheap and the only way to find a code that means nothing; JPEG data is walked from its
// start to its end marker, as undoing it would cost as much as decoding the page.
bool TiffPageSource::pieceDecodes(uint32_t index, bool tiled, size_t size) {
    TIFF* in = m_document.tiff.get();
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(in, TIFFTAG_COMPRESSION, &compression);
    if (compression == COMPRESSION_JPEG) return jpegPieceWhole(size);
    const bool fax = compression == COMPRESSION_CCITTFAX3 || compression == COMPRESSION_CCITTFAX4 ||
                     compression == COMPRESSION_CCITTRLE || compression == COMPRESSION_CCITTRLEW;
    if (!fax && compression != COMPRESSION_LZW && compression != COMPRESSION_ADOBE_DEFLATE &&
        compression != COMPRESSION_DEFLATE)
        return true;
    uint64_t expected = 0;
    if (tiled) {
        expected = static_cast<uint64_t>(TIFFTileSize64(in));
    } else {
        uint32_t height = 0, rowsPerStrip = 0;
        TIFFGetField(in, TIFFTAG_IMAGELENGTH, &height);
        TIFFGetFieldDefaulted(in, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
        rowsPerStrip = std::max<uint32_t>(1, std::min(rowsPerStrip, height));
        const uint32_t perPlane = (height + rowsPerStrip - 1) / rowsPerStrip;
        const uint32_t first = (index % std::max<uint32_t>(1, perPlane)) * rowsPerStrip;
        expected = static_cast<uint64_t>(TIFFVStripSize64(in, std::min(rowsPerStrip, height - std::min(height, first))));
    }
    if (expected == 0 || expected > Limits::kMaxCodecAllocation) return true;  // the decoder judges such a page
    if (fax) return faxPieceDecodes(index, tiled, expected, size);
    if (compression == COMPRESSION_LZW) return m_lzw.read(m_buffer.data(), size, static_cast<size_t>(expected)) != nullptr;
    return inflatesTo(m_buffer.data(), size, expected);
}

namespace {

// libtiff's fax decoder hands each decoded row to a fill function as runs: to know whether
// the data decodes, the runs are not needed, and not drawing them is most of the cost.
void drawNoRuns(unsigned char*, uint32_t*, uint32_t*, uint32_t) {}
using FaxFill = void (*)(unsigned char*, uint32_t*, uint32_t*, uint32_t);

}  // namespace

bool TiffPageSource::faxPieceDecodes(uint32_t index, bool tiled, uint64_t expected, size_t size) {
    TIFF* in = m_document.tiff.get();
    if (expected == 0 || expected > Limits::kMaxCodecAllocation) return true;  // the decoder judges such a page
    if (index == 0 && !tiled && aheadClean()) return true;
    if (ownG4PieceDecodes(tiled, expected, size)) return true;
    try {
        m_rows.resize(static_cast<size_t>(expected));
    } catch (const std::bad_alloc&) {
        return true;  // no judgement without memory
    }
    // This handle's decoded pixels are never used; the directory read for the next page
    // puts the drawing fill back.
    TIFFSetField(in, TIFFTAG_FAXFILLFUNC, static_cast<FaxFill>(&drawNoRuns));
    const tmsize_t got = tiled ? TIFFReadEncodedTile(in, index, m_rows.data(), static_cast<tmsize_t>(expected))
                               : TIFFReadEncodedStrip(in, index, m_rows.data(), static_cast<tmsize_t>(expected));
    return got > 0 && !m_errors.failed;
}

// Our reader walks a clean Group 4 piece's codes without drawing them; anything it declines
// goes to libtiff's verdict.
bool TiffPageSource::ownG4PieceDecodes(bool tiled, uint64_t expected, size_t size) {
    bool reversed = false;
    uint32_t width = 0;
    TIFFGetField(m_document.tiff.get(), tiled ? TIFFTAG_TILEWIDTH : TIFFTAG_IMAGEWIDTH, &width);
    if (!isG4Page(reversed) || width == 0 || size > m_buffer.size()) return false;
    const uint64_t lineBytes = (uint64_t{width} + 7) / 8;
    if (reversed) {
        try {
            m_rows.assign(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(size));
        } catch (const std::bad_alloc&) {
            return false;
        }
        TIFFReverseBits(m_rows.data(), static_cast<tmsize_t>(size));
        return m_g4.read(m_rows.data(), size, width, static_cast<uint32_t>(expected / lineBytes), nullptr, 0);
    }
    return m_g4.read(m_buffer.data(), size, width, static_cast<uint32_t>(expected / lineBytes), nullptr, 0);
}

bool TiffPageSource::jpegPieceWhole(size_t size) {
    TIFF* in = m_document.tiff.get();
    if (size < 4) return false;
    uint32_t tableBytes = 0;
    const uint8_t* tables = nullptr;
    std::string stream;
    // The page's tables, when it has them, stand before the piece's scan, as a decoder reads them.
    if (TIFFGetField(in, TIFFTAG_JPEGTABLES, &tableBytes, &tables) && tables && tableBytes >= 4)
        stream.assign(reinterpret_cast<const char*>(tables), tableBytes - 2)
            .append(reinterpret_cast<const char*>(m_buffer.data()) + 2, size - 2);
    else
        stream.assign(reinterpret_cast<const char*>(m_buffer.data()), size);
    JpegStream parsed;
    std::string why;
    return readJpegStream(reinterpret_cast<const uint8_t*>(stream.data()), stream.size(), parsed, why, false);
}

GpStatus TiffPageSource::copyInto(TIFF* out, bool tiled, uint32_t pieces, std::string& why) {
    TIFF* in = m_document.tiff.get();
    if ((tiled ? TIFFNumberOfTiles(out) : TIFFNumberOfStrips(out)) != pieces) {
        why = "its layout cannot be written as stored";
        return NotImplemented;
    }
    for (uint32_t i = 0; i < pieces; ++i) {
        const tmsize_t want = static_cast<tmsize_t>(TIFFGetStrileByteCount(in, i));
        const tmsize_t got = tiled ? TIFFReadRawTile(in, i, m_buffer.data(), want)
                                   : TIFFReadRawStrip(in, i, m_buffer.data(), want);
        if (got != want || m_errors.failed) {
            why = "its stored data cannot be read";
            return NotImplemented;
        }
        if (!pieceDecodes(i, tiled, static_cast<size_t>(got))) {
            why = "its stored data cannot be decoded";
            return NotImplemented;
        }
        const tmsize_t put = tiled ? TIFFWriteRawTile(out, i, m_buffer.data(), got)
                                   : TIFFWriteRawStrip(out, i, m_buffer.data(), got);
        if (put != got) return Win32Error;
    }
    return Ok;
}

bool TiffPageSource::readPiece(uint32_t index, std::string& out) {
    TIFF* in = m_document.tiff.get();
    const uint64_t offset = TIFFGetStrileOffset(in, index), bytes = TIFFGetStrileByteCount(in, index);
    if (bytes == 0 || offset > m_document.fileSize || bytes > m_document.fileSize - offset || bytes > Limits::kMaxCodecAllocation)
        return false;
    out.resize(static_cast<size_t>(bytes));
    m_errors.failed = false;
    return TIFFReadRawStrip(in, index, out.data(), static_cast<tmsize_t>(bytes)) == static_cast<tmsize_t>(bytes) &&
           !m_errors.failed;
}

GpStatus TiffPageSource::storedFax(uint16_t fill, StoredImage& image, std::string& why) {
    TIFF* in = m_document.tiff.get();
    image.coding = StoredImage::Coding::Fax;
    // The piece is read here for our reader's check; libtiff reads it again only when ours
    // declines it.
    const uint64_t stored = TIFFGetStrileByteCount(in, 0);
    size_t size = 0;
    if (stored > 0 && stored <= Limits::kMaxCodecAllocation) {
        try {
            if (m_buffer.size() < stored) m_buffer.resize(static_cast<size_t>(stored));
            if (TIFFReadRawStrip(in, 0, m_buffer.data(), static_cast<tmsize_t>(stored)) == static_cast<tmsize_t>(stored))
                size = static_cast<size_t>(stored);
        } catch (const std::bad_alloc&) {
        }
    }
    m_errors.failed = false;
    if (!faxPieceDecodes(0, false, static_cast<uint64_t>(TIFFVStripSize64(in, image.height)), size)) {
        why = "its stored data cannot be decoded";
        return NotImplemented;
    }
    const uint64_t offset = TIFFGetStrileOffset(in, 0), bytes = TIFFGetStrileByteCount(in, 0);
    if (fill != FILLORDER_LSB2MSB && bytes > 0 && offset <= m_document.fileSize && bytes <= m_document.fileSize - offset) {
        // Read when the document is written, not now.
        image.piece = FilePiece{{}, m_identity, offset, bytes};
        return Ok;
    }
    auto data = std::make_shared<std::string>();
    if (!readPiece(0, *data)) {
        why = "its stored data cannot be read";
        return NotImplemented;
    }
    if (fill == FILLORDER_LSB2MSB) TIFFReverseBits(reinterpret_cast<uint8_t*>(data->data()), static_cast<tmsize_t>(data->size()));
    image.data = std::move(data);
    return Ok;
}

GpStatus TiffPageSource::storedJpeg(uint16_t samples, StoredImage& image, std::string& why) {
    TIFF* in = m_document.tiff.get();
    std::string strip;
    if (!readPiece(0, strip) || strip.size() < 4) {
        why = "its stored data cannot be read";
        return NotImplemented;
    }
    // The tables' stream without its end, then the strip's without its start.
    auto data = std::make_shared<std::string>();
    uint32_t tableBytes = 0;
    const uint8_t* tables = nullptr;
    if (TIFFGetField(in, TIFFTAG_JPEGTABLES, &tableBytes, &tables) && tables && tableBytes >= 4)
        data->assign(reinterpret_cast<const char*>(tables), tableBytes - 2).append(strip, 2, std::string::npos);
    else
        *data = std::move(strip);
    image.data = data;
    JpegStream stream;
    if (!readJpegStream(reinterpret_cast<const uint8_t*>(data->data()), data->size(), stream, why, false) ||
        stream.width != image.width || stream.height != image.height || stream.components != samples) {
        why = "its JPEG data does not make a complete stream";
        return NotImplemented;
    }
    image.coding = StoredImage::Coding::Jpeg;
    image.components = static_cast<uint8_t>(samples);
    PageMetadata meta;
    readPageMetadata(in, meta);
    image.meta.iccProfile = std::move(meta.iccProfile);
    return Ok;
}

GpStatus TiffPageSource::storedImage(uint32_t index, StoredImage& image, std::string& why) {
    if (index >= m_document.pages.size()) return InvalidParameter;
    TIFF* in = m_document.tiff.get();
    m_errors.failed = false;
    if (!beginPage(index, FaxAhead::Want::Check)) {
        why = "the page's directory cannot be read";
        return NotImplemented;
    }
    uint16_t compression = COMPRESSION_NONE, bits = 1, samples = 1, photometric = PHOTOMETRIC_MINISWHITE, fill = FILLORDER_MSB2LSB;
    TIFFGetFieldDefaulted(in, TIFFTAG_COMPRESSION, &compression);
    TIFFGetFieldDefaulted(in, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(in, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetField(in, TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetFieldDefaulted(in, TIFFTAG_FILLORDER, &fill);
    image = StoredImage{};
    TIFFGetField(in, TIFFTAG_IMAGEWIDTH, &image.width);
    TIFFGetField(in, TIFFTAG_IMAGELENGTH, &image.height);
    const bool oneStrip = !TIFFIsTiled(in) && TIFFNumberOfStrips(in) == 1;
    GpStatus status = NotImplemented;
    if (compression == COMPRESSION_CCITTFAX4 && oneStrip && bits == 1 && samples == 1 &&
        (photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK)) {
        image.blackIs1 = photometric == PHOTOMETRIC_MINISBLACK;
        status = storedFax(fill, image, why);
    } else if (compression == COMPRESSION_JPEG && oneStrip && bits == 8 &&
               ((samples == 1 && photometric == PHOTOMETRIC_MINISBLACK) || (samples == 3 && photometric == PHOTOMETRIC_YCBCR))) {
        status = storedJpeg(samples, image, why);
    } else {
        why = "its data is neither G4 nor JPEG in one strip";
    }
    if (status != Ok) return status;
    TIFFGetFieldDefaulted(in, TIFFTAG_ORIENTATION, &image.meta.orientation);
    const PageResolution resolution = readResolution(in);
    image.dpiX = resolution.dpiX;
    image.dpiY = resolution.dpiY;
    image.meta.aspectX = resolution.aspectX;
    image.meta.aspectY = resolution.aspectY;
    return Ok;
}

}  // namespace gdip::codecs
