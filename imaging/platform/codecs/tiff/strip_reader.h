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
#include "g4_reader.h"
#include "lzw_strip.h"
#include "tiff_chain.h"
#include "tiff_glue.h"
#include "tiff_rows.h"

namespace gdip::codecs {

// Receives decoded row `y` of the page, from whichever thread decoded it; each row once.
using RowSink = std::function<void(const uint8_t* row, uint32_t y)>;

// A page in one Group 4 strip, read a band of rows at a time on any thread: the strip as
// stored, read once and shared, and where each band's codes begin.
struct G4Bands {
    std::vector<uint8_t> data;  // most significant bit first
    uint32_t rowsPerBand = 0;
    std::vector<G4Mark> marks;  // one a band
};

// The strips of one page read one at a time through one handle. LZW strips as TIFF's
// writers make them, and Group 4 fax strips, are decoded by our own readers: ours copies
// whole strings where libtiff's LZW walks a chain byte by byte, and draws a fax row from its
// list of changes, handing each row on as it is read. libtiff reads every other strip, and
// any strip ours declines, so a damaged strip is reported or mended exactly as libtiff does.
class StripRows {
public:
    // The page `tif` has selected, laid out as `l`; `errors` is the handle's. A page in one
    // Group 4 strip whose `bands` were made is read by those bands rather than whole.
    StripRows(TIFF* tif, TiffErrors& errors, const PageLayout& l, std::shared_ptr<const G4Bands> bands = nullptr);

    // The rows read() hands on at once: a strip's, or a band's.
    uint32_t rowsPerRead() const { return m_bands ? m_bands->rowsPerBand : m_rowsPerStrip; }
    uint64_t lineBytes() const { return m_lineBytes; }
    // The strip (or band) holding row `y`: its rows as stored handed to `sink`, in order. Ok,
    // or GenericError with libtiff's words, when it gave any, in `message`.
    GpStatus read(uint32_t y, const RowSink& sink, std::string& message);
    // The bands of `rowsPerBand` rows of a page in one Group 4 strip taller than that, its
    // codes checked all through; null for any other page, and for data our reader declines
    // (libtiff then decodes the strip whole).
    std::shared_ptr<const G4Bands> g4Bands(uint32_t rowsPerBand);

private:
    bool readOwn(uint32_t strip, uint32_t rows, uint32_t y, const RowSink& sink);
    // Strip `strip` as stored into m_packed, its bits in reading order; false when it cannot
    // be, or is longer than `longest` bytes.
    bool readPacked(uint32_t strip, uint64_t longest, uint64_t& size);

    enum class Coding { None, Lzw, G4 };
    TIFF* m_tif;
    TiffErrors& m_errors;
    uint32_t m_width;
    uint32_t m_height;
    uint32_t m_rowsPerStrip;
    uint64_t m_lineBytes;
    Coding m_coding = Coding::None;
    uint32_t m_predictorStride = 0;  // samples per pixel under the horizontal predictor, else 0
    bool m_reversedBits = false;     // fax data stored least significant bit first
    ReadAt m_read;                   // the file, read at the strips' offsets
    std::vector<uint8_t> m_rows;     // a strip decoded by libtiff
    std::vector<uint8_t> m_packed;   // a strip as stored
    LzwStripReader m_lzw;
    G4Reader m_g4;
    std::shared_ptr<const G4Bands> m_bands;
};

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
