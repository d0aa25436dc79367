// The rows of one TIFF page read as they are asked for, by whichever thread asks (the pool's
// workers and the caller), upright as the page is shown: each thread reads through a handle
// of its own on the file and keeps the strip, row of tiles or fax band it read last, so the
// page is never whole in memory and no handle is shared between threads. A page stored on
// its side is read a band of stored columns at a time (a column of tiles, or every strip
// for a few columns), which makes a band of its upright rows; such a band is made once and
// shared by the threads that ask for its rows.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "strip_reader.h"
#include "tiff_glue.h"
#include "tiff_rows.h"

namespace gdip::codecs {

class TileRows;

class BandRows {
public:
    // The page whose directory is at `directoryOffset` in the file open on `fd` (which stays
    // open while rows are asked for), laid out as `l` and stored as `orientation` says, each
    // stored row turned into a row of `pixelClass` by `convert`; in tiles `tileWidth` wide
    // (0: in strips); its JPEG strips decoded to RGB when `jpegAsRgb`, a page in one fax
    // strip by its `g4` bands when they were made.
    BandRows(int fd, uint64_t directoryOffset, bool jpegAsRgb, const PageLayout& l, RowConversion convert,
             PixelClass pixelClass, uint16_t orientation, uint32_t tileWidth,
             std::shared_ptr<const G4Bands> g4 = nullptr);
    ~BandRows();

    // How many stored columns a page on its side reads at once, at most `budget` bytes of
    // them in `pixelClass` (whole tiles of `tileWidth` when it is tiled, else 0); the number
    // of passes over its strips is the page's width over that.
    static uint32_t columnsPerBand(const PageLayout& l, PixelClass pixelClass, uint32_t tileWidth);

    // Upright row `y` as a frame row, in the reader's band or in `scratch` (a row's bytes):
    // zeroed when its stored rows cannot be read, which failure() then says.
    const uint8_t* row(uint32_t y, uint8_t* scratch);
    // Why the first row that could not be read was not; empty when none.
    std::string failure() const;

private:
    struct Reader;
    struct Columns;

    Reader* readerOfThisThread();
    void fail(std::string why);
    // Reads the stored band holding stored row `y` into the reader's frame rows.
    void readStoredBand(Reader& reader, uint32_t y);
    // The upright rows made from stored columns [first, first + count), read by `reader`.
    void readColumns(Reader& reader, uint32_t first, uint32_t count, std::vector<uint8_t>& upright);
    const uint8_t* rowOnItsSide(Reader& reader, uint32_t y, uint8_t* scratch);

    uint64_t m_serial;  // which page a thread's reader was made for
    int m_fd;
    uint64_t m_directoryOffset;
    bool m_jpegAsRgb;
    PageLayout m_layout;
    RowConversion m_convert;
    PixelClass m_pixelClass;
    uint16_t m_orientation;
    size_t m_storedStride;   // a stored row as a frame row
    size_t m_uprightStride;  // an upright row
    uint32_t m_columnsPerBand;  // pages on their side
    std::shared_ptr<const G4Bands> m_g4;
    mutable std::mutex m_mutex;  // guards the three below
    std::vector<std::unique_ptr<Reader>> m_readers;  // one a thread, owned here
    std::vector<std::shared_ptr<Columns>> m_columns;  // bands of stored columns, made or being made
    std::string m_failure;
};

}  // namespace gdip::codecs
