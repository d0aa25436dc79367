// A TIFF page turned without loss: its samples decoded, turned and coded again as they were.
#include <algorithm>

#include "../image_limits.h"
#include "../codecs/tiff/g4_strip.h"
#include "../orientation.h"
#include "tiff_page_source.h"
#include "tiff_tags.h"

namespace gdip::codecs {
namespace {

// Compressions libtiff codes again exactly as they decode; JPEG is turned as a stream
// instead, and the rest (old-style JPEG, the lossy ones, the rare) is decoded.
bool writtenAgain(uint16_t compression) {
    switch (compression) {
        case COMPRESSION_NONE:
        case COMPRESSION_LZW:
        case COMPRESSION_ADOBE_DEFLATE:
        case COMPRESSION_DEFLATE:
        case COMPRESSION_PACKBITS:
        case COMPRESSION_CCITTFAX3:
        case COMPRESSION_CCITTFAX4:
        case COMPRESSION_ZSTD:
        case COMPRESSION_LZMA:
            return TIFFIsCODECConfigured(compression) != 0;
        default:
            return false;
    }
}

bool isFax(uint16_t compression) {
    return compression == COMPRESSION_CCITTFAX3 || compression == COMPRESSION_CCITTFAX4;
}

}  // namespace

uint16_t TiffPageSource::compressionOf(uint32_t index) {
    if (index >= m_document.pages.size()) return 0;
    TIFF* in = m_document.tiff.get();
    m_errors.failed = false;
    if (!selectPage(index)) return 0;
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(in, TIFFTAG_COMPRESSION, &compression);
    return compression;
}

uint16_t TiffPageSource::orientationOf(uint32_t index) {
    if (compressionOf(index) == 0) return 1;
    uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(m_document.tiff.get(), TIFFTAG_ORIENTATION, &orientation);
    return orientation;
}

GpStatus TiffPageSource::readSamples(uint64_t lineBytes, uint32_t height, std::vector<uint8_t>& samples,
                                     std::string& why) {
    TIFF* in = m_document.tiff.get();
    m_errors.failed = false;
    why = "its stored data cannot be decoded";
    if (!TIFFIsTiled(in)) {
        uint32_t rowsPerStrip = 0;
        TIFFGetFieldDefaulted(in, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
        rowsPerStrip = std::max<uint32_t>(1, std::min(rowsPerStrip, height));
        uint32_t width = 0;
        TIFFGetField(in, TIFFTAG_IMAGEWIDTH, &width);
        bool reversed = false;
        const bool g4 = isG4Page(reversed);
        if (const uint8_t* ahead = g4 ? aheadRows() : nullptr) {
            std::copy_n(ahead, lineBytes * height, samples.data());
            return Ok;
        }
        for (uint32_t y = 0, strip = 0; y < height; y += rowsPerStrip, ++strip) {
            const uint32_t rows = std::min(rowsPerStrip, height - y);
            if (g4 && readOwnG4Strip(strip, width, rows, lineBytes, samples.data() + y * lineBytes)) continue;
            const uint64_t bytes = uint64_t{rows} * lineBytes;
            if (TIFFReadEncodedStrip(in, strip, samples.data() + y * lineBytes, static_cast<tmsize_t>(bytes)) !=
                    static_cast<tmsize_t>(bytes) ||
                m_errors.failed)
                return NotImplemented;
        }
        return Ok;
    }
    uint32_t tileWidth = 0, tileHeight = 0, width = 0;
    TIFFGetField(in, TIFFTAG_TILEWIDTH, &tileWidth);
    TIFFGetField(in, TIFFTAG_TILELENGTH, &tileHeight);
    TIFFGetField(in, TIFFTAG_IMAGEWIDTH, &width);
    const uint64_t tileLine = static_cast<uint64_t>(TIFFTileRowSize64(in));
    const uint64_t tileBytes = static_cast<uint64_t>(TIFFTileSize64(in));
    if (tileWidth == 0 || tileHeight == 0 || tileLine == 0 || tileBytes != tileLine * tileHeight ||
        tileBytes > Limits::kMaxCodecAllocation)
        return NotImplemented;
    std::vector<uint8_t> tile(static_cast<size_t>(tileBytes));
    // Tiles are 16 pixels wide or a multiple: every tile starts on a byte of the row.
    for (uint32_t y = 0; y < height; y += tileHeight) {
        for (uint32_t x = 0, column = 0; x < width; x += tileWidth, ++column) {
            const uint32_t index = TIFFComputeTile(in, x, y, 0, 0);
            if (TIFFReadEncodedTile(in, index, tile.data(), static_cast<tmsize_t>(tileBytes)) < 0 || m_errors.failed)
                return NotImplemented;
            const uint64_t from = column * tileLine;
            const uint64_t take = std::min(tileLine, lineBytes - std::min(lineBytes, from));
            for (uint32_t row = 0; row < tileHeight && y + row < height; ++row)
                std::copy_n(tile.data() + row * tileLine, take, samples.data() + (y + row) * lineBytes + from);
        }
    }
    return Ok;
}

bool TiffPageSource::readOwnG4Strip(uint32_t strip, uint32_t width, uint32_t rows, uint64_t lineBytes, uint8_t* out) {
    TIFF* in = m_document.tiff.get();
    const uint64_t stored = TIFFGetStrileByteCount(in, strip);
    if (stored == 0 || stored > lineBytes * rows * 8 + 4096) return false;
    try {
        if (m_buffer.size() < stored) m_buffer.resize(static_cast<size_t>(stored));
    } catch (const std::bad_alloc&) {
        return false;
    }
    m_errors.failed = false;
    if (TIFFReadRawStrip(in, strip, m_buffer.data(), static_cast<tmsize_t>(stored)) != static_cast<tmsize_t>(stored) ||
        m_errors.failed)
        return false;
    bool reversed = false;
    if (isG4Page(reversed) && reversed) TIFFReverseBits(m_buffer.data(), static_cast<tmsize_t>(stored));
    return m_g4.read(m_buffer.data(), static_cast<size_t>(stored), width, rows, out, static_cast<size_t>(lineBytes));
}

GpStatus TiffPageSource::turnPage(uint32_t index, int quarterTurns, TiffPageWriter& writer, std::string& why) {
    (void)beginPage(index, FaxAhead::Want::Rows);  // compressionOf() below reads the directory again, and says when it cannot
    const uint16_t compression = compressionOf(index);
    if (compression == 0) {
        why = "the page's directory cannot be read";
        return NotImplemented;
    }
    TIFF* in = m_document.tiff.get();
    uint16_t bits = 1, samples = 1, planar = PLANARCONFIG_CONTIG, photometric = PHOTOMETRIC_MINISWHITE,
             orientation = ORIENTATION_TOPLEFT;
    uint32_t width = 0, height = 0;
    TIFFGetFieldDefaulted(in, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(in, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(in, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetField(in, TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetFieldDefaulted(in, TIFFTAG_ORIENTATION, &orientation);
    TIFFGetField(in, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(in, TIFFTAG_IMAGELENGTH, &height);
    const uint32_t pixelBits = uint32_t{bits} * samples;
    if (!writtenAgain(compression)) {
        why = "its compression (" + std::to_string(compression) + ") cannot be written again";
        return NotImplemented;
    }
    if (samples > 1 && planar != PLANARCONFIG_CONTIG) {
        why = "its colour planes are stored apart";
        return NotImplemented;
    }
    if (photometric == PHOTOMETRIC_YCBCR || width == 0 || height == 0 ||
        (pixelBits % 8 != 0 && pixelBits != 1 && pixelBits != 2 && pixelBits != 4)) {
        why = "its samples cannot be turned as stored";
        return NotImplemented;
    }
    const uint64_t lineBytes = (uint64_t{width} * pixelBits + 7) / 8;
    const int turns = storedQuarterTurns(orientation, quarterTurns);
    const bool swap = turns % 2 == 1;
    const uint32_t outWidth = swap ? height : width, outHeight = swap ? width : height;
    const uint64_t outLine = (uint64_t{outWidth} * pixelBits + 7) / 8;
    if (lineBytes * height > Limits::kMaxCodecAllocation || outLine * outHeight > Limits::kMaxCodecAllocation) {
        why = "it is too large to be turned in one piece";
        return NotImplemented;
    }
    std::vector<uint8_t> turned;
    try {
        std::vector<uint8_t> stored(static_cast<size_t>(lineBytes * height));
        if (const GpStatus read = readSamples(lineBytes, height, stored, why); read != Ok) return read;
        turned.assign(static_cast<size_t>(outLine * outHeight), 0);
        turnPixels(stored.data(), static_cast<size_t>(lineBytes), width, height, pixelBits,
                   turnedOrientation(1, turns), turned.data(), static_cast<size_t>(outLine));
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
    return writer.addFilledPage(turned.size(), [&](TIFF* out) {
        copyTags(in, out, compression, bits, false);
        TIFFSetField(out, TIFFTAG_IMAGEWIDTH, outWidth);
        TIFFSetField(out, TIFFTAG_IMAGELENGTH, outHeight);
        float xResolution = 0, yResolution = 0;
        if (swap && TIFFGetField(in, TIFFTAG_XRESOLUTION, &xResolution) &&
            TIFFGetField(in, TIFFTAG_YRESOLUTION, &yResolution)) {
            TIFFSetField(out, TIFFTAG_XRESOLUTION, yResolution);
            TIFFSetField(out, TIFFTAG_YRESOLUTION, xResolution);
        }
        // Fax pages in one strip, as fax readers expect; the rest in strips of about 64 KiB.
        const uint32_t rowsPerStrip =
            isFax(compression) ? outHeight
                               : static_cast<uint32_t>(std::clamp<uint64_t>(65536 / std::max<uint64_t>(outLine, 1), 1,
                                                                            outHeight));
        TIFFSetField(out, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
        if (compression == COMPRESSION_CCITTFAX4)
            return writeG4Strip(out, turned.data(), static_cast<size_t>(outLine), outWidth, outHeight);
        for (uint32_t y = 0, strip = 0; y < outHeight; y += rowsPerStrip, ++strip) {
            const uint64_t bytes = uint64_t{std::min(rowsPerStrip, outHeight - y)} * outLine;
            if (TIFFWriteEncodedStrip(out, strip, turned.data() + y * outLine, static_cast<tmsize_t>(bytes)) < 0)
                return Win32Error;
        }
        return Ok;
    });
}

}  // namespace gdip::codecs
