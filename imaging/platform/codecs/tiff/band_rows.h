// The rows of one striped TIFF page read as they are asked for, by whichever thread asks
// (the pool's workers and the caller): each thread reads through a handle of its own on the
// file and keeps the strip it read last, so the page is never whole in memory and no handle
// is shared between threads.
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

class BandRows {
public:
    // The page whose directory is at `directoryOffset` in the file open on `fd` (which stays
    // open while rows are asked for), laid out as `l`, each stored row turned into a frame
    // row of `frameStride` bytes by `convert`; its JPEG strips decoded to RGB when `jpegAsRgb`,
    // a page in one fax strip by its `g4` bands when they were made.
    BandRows(int fd, uint64_t directoryOffset, bool jpegAsRgb, const PageLayout& l, RowConversion convert,
             size_t frameStride, std::shared_ptr<const G4Bands> g4 = nullptr);

    // Row `y` as a frame row, in the reader's strip or in `scratch` (`frameStride` bytes):
    // zeroed when its strip cannot be read, which failure() then says.
    const uint8_t* row(uint32_t y, uint8_t* scratch);
    // Why the first row that could not be read was not; empty when none.
    std::string failure() const;

private:
    struct Reader {
        TiffErrors errors;  // declared before the handle that reports into it
        TiffPtr tiff;
        std::unique_ptr<StripRows> strips;
        uint32_t firstRow = UINT32_MAX;  // the strip (or band) held in `rows`
        uint32_t rowCount = 0;
        std::vector<uint8_t> rows;  // its rows as frame rows
    };

    Reader* readerOfThisThread();
    void fail(std::string why);

    uint64_t m_serial;  // which page a thread's reader was made for
    int m_fd;
    uint64_t m_directoryOffset;
    bool m_jpegAsRgb;
    PageLayout m_layout;
    RowConversion m_convert;
    size_t m_frameStride;
    std::shared_ptr<const G4Bands> m_g4;
    mutable std::mutex m_mutex;  // guards the two below
    std::vector<std::unique_ptr<Reader>> m_readers;  // one a thread, owned here
    std::string m_failure;
};

}  // namespace gdip::codecs
