// The strips of a TIFF page decoded in bands on the pool's workers: the main handle reads
// one band, helper handles on the same file (one per further worker, kept from page to page)
// read the others, strips going a few at a time to whichever band is free.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "../../gdiplus_flat.h"
#include "tiff_glue.h"
#include "tiff_rows.h"

namespace gdip::codecs {

// Receives decoded row `y` of the page, from whichever thread decoded it; each row once.
using RowSink = std::function<void(const uint8_t* row, uint32_t y)>;

class StripReader {
public:
    // Which directory the helpers select for the page, and how: the main handle's current
    // directory is at `directoryOffset`, its JPEG strips decoded to RGB when `jpegAsRgb`.
    struct Page {
        uint64_t directoryOffset = 0;
        bool jpegAsRgb = false;
    };

    // Reads every strip of the page `tif` has selected. Stops between strips when `stop` is
    // set (Aborted). When a strip cannot be decoded, the failure is that of the first strip
    // that failed, whichever band met it, and `reason` says why in libtiff's words:
    // every strip before it is read, none after it is started. NotImplemented when the
    // page's strips are too large to decode here.
    GpStatus read(TIFF* tif, TiffErrors& errors, const Page& page, const PageLayout& l, const RowSink& sink,
                  const std::atomic<bool>& stop, std::string& reason);

private:
    // A further handle on the file, for a band of strips on another worker.
    struct Helper {
        TiffErrors errors;  // declared before the handle that reports into it
        TiffPtr tiff;
    };

    void addHelpers(TIFF* tif, const Page& page, const PageLayout& l, uint32_t strips, uint32_t rowsPerStrip,
                    uint64_t lineBytes, std::vector<TIFF*>& handles, std::vector<TiffErrors*>& errors);

    std::vector<std::unique_ptr<Helper>> m_helpers;
};

}  // namespace gdip::codecs
