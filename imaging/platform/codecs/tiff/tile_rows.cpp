#include "tile_rows.h"

#include <algorithm>
#include <cstring>

#include "../../image_limits.h"

namespace gdip::codecs {

TileRows::TileRows(TIFF* tif, TiffErrors& errors, const PageLayout& l)
    : m_tif(tif), m_errors(errors), m_width(l.width), m_height(l.height),
      m_bitsPerPixel(uint64_t{l.bitsPerSample} * l.samplesPerPixel) {
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &m_tileWidth);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &m_tileHeight);
    if (m_tileWidth == 0 || m_tileHeight == 0 || m_tileWidth > Limits::kMaxSide || m_tileHeight > Limits::kMaxSide) {
        m_usable = GenericError;
        return;
    }
    m_tileRowBytes = TIFFTileRowSize64(tif);
    m_lineBytes = TIFFScanlineSize64(tif);
    const uint64_t tileBytes = TIFFTileSize64(tif);
    // Tiles are whole bytes wide only when their pixel width is; bilevel tiles of odd widths
    // go through the RGBA reader instead.
    if (m_tileRowBytes == 0 || m_lineBytes == 0 || tileBytes > Limits::kMaxCodecAllocation ||
        m_lineBytes * m_tileHeight > Limits::kMaxCodecAllocation || (uint64_t{m_tileWidth} * m_bitsPerPixel) % 8 != 0)
        m_usable = NotImplemented;
}

GpStatus TileRows::read(uint32_t y, const RowSink& sink, std::string& message, uint32_t fromColumn,
                        uint32_t toColumn) {
    if (m_usable != Ok) return m_usable;
    const uint32_t top = y / m_tileHeight * m_tileHeight;
    const uint32_t rows = std::min(m_tileHeight, m_height - top);
    m_tile.resize(static_cast<size_t>(TIFFTileSize64(m_tif)));
    m_band.assign(static_cast<size_t>(m_lineBytes * m_tileHeight), 0);
    const uint32_t left = fromColumn / m_tileWidth * m_tileWidth;
    for (uint32_t x = left; x < std::min(m_width, toColumn); x += m_tileWidth) {
        m_errors.failed = false;
        const tmsize_t got = TIFFReadTile(m_tif, m_tile.data(), x, top, 0, 0);
        if (got < 0 || m_errors.failed) {
            message = m_errors.message;
            return GenericError;
        }
        const uint64_t offset = uint64_t{x} * m_bitsPerPixel / 8;
        const uint64_t copy = std::min<uint64_t>(m_tileRowBytes, m_lineBytes - offset);
        for (uint32_t r = 0; r < rows; ++r)
            std::memcpy(m_band.data() + r * m_lineBytes + offset, m_tile.data() + r * m_tileRowBytes,
                        static_cast<size_t>(copy));
    }
    for (uint32_t r = 0; r < rows; ++r) sink(m_band.data() + r * m_lineBytes, top + r);
    return Ok;
}

}  // namespace gdip::codecs
