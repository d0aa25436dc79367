// The tiles of one TIFF page read a row of tiles at a time through one handle, assembled
// into whole rows as the page's strips would give them; only the tiles across a range of
// columns when only those are wanted, so that a page shown turned on its side is read one
// column of tiles at a time, each tile decoded once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "../../gdiplus_flat.h"
#include "strip_reader.h"
#include "tiff_glue.h"
#include "tiff_rows.h"

namespace gdip::codecs {

class TileRows {
public:
    // The tiled page `tif` has selected, laid out as `l`; `errors` is the handle's.
    TileRows(TIFF* tif, TiffErrors& errors, const PageLayout& l);

    // Ok when the page's tiles can be read here; NotImplemented for tiles of sub-byte pixels
    // whose width is not a whole number of bytes, and for tiles or rows of tiles over the
    // limit of one allocation; GenericError when the tiles' sides cannot be read.
    GpStatus usable() const { return m_usable; }
    uint32_t rowsPerRead() const { return m_tileHeight; }
    uint32_t tileWidth() const { return m_tileWidth; }
    // The row of tiles holding row `y`, its rows handed to `sink` in order, as stored: only
    // the pixels of columns [fromColumn, toColumn) widened to whole tiles are read, the others
    // left zero. GenericError, with libtiff's words when it gave any in `message`, when a tile
    // cannot be decoded.
    GpStatus read(uint32_t y, const RowSink& sink, std::string& message, uint32_t fromColumn = 0,
                  uint32_t toColumn = UINT32_MAX);

private:
    TIFF* m_tif;
    TiffErrors& m_errors;
    uint32_t m_width;
    uint32_t m_height;
    uint32_t m_tileWidth = 0;
    uint32_t m_tileHeight = 0;
    uint64_t m_bitsPerPixel;
    uint64_t m_tileRowBytes = 0;
    uint64_t m_lineBytes = 0;
    GpStatus m_usable = Ok;
    std::vector<uint8_t> m_tile;
    std::vector<uint8_t> m_band;
};

}  // namespace gdip::codecs
