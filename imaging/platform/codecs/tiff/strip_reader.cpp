#include "strip_reader.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "../../image_limits.h"
#include "../../parallel_bands.h"
#include "g4_reader.h"
#include "lzw_strip.h"
#include "strip_compression.h"
#include "tiff_chain.h"

namespace gdip::codecs {
namespace {

// LZW strips as TIFF's writers make them, and Group 4 fax strips, are decoded by our own
// readers: ours copies whole strings where libtiff's LZW walks a chain byte by byte, and
// draws a fax row from its list of changes. libtiff reads every other strip, and any strip
// ours declines, so a damaged strip is reported or mended exactly as before.
struct OwnStrips {
    enum class Coding { None, Lzw, G4 } coding = Coding::None;
    uint32_t predictorStride = 0;  // samples per pixel under the horizontal predictor, else 0
    bool reversedBits = false;     // fax data stored least significant bit first
    uint32_t width = 0;
    ReadAt read;                   // the file, read at the strips' offsets
};

OwnStrips ownStripsFor(TIFF* tif, const PageLayout& l) {
    OwnStrips own;
    uint16_t fillOrder = FILLORDER_MSB2LSB;
    TIFFGetFieldDefaulted(tif, TIFFTAG_FILLORDER, &fillOrder);
    if (l.compression == COMPRESSION_CCITTFAX4 && l.bitsPerSample == 1 && l.samplesPerPixel == 1) {
        own.coding = OwnStrips::Coding::G4;
        own.reversedBits = fillOrder == FILLORDER_LSB2MSB;
    } else {
        // Samples wider than a byte need libtiff's byte swapping after decoding.
        if (l.compression != COMPRESSION_LZW || l.planar != PLANARCONFIG_CONTIG || l.bitsPerSample > 8 ||
            fillOrder != FILLORDER_MSB2LSB)
            return own;
        uint16_t predictor = PREDICTOR_NONE;
        TIFFGetFieldDefaulted(tif, TIFFTAG_PREDICTOR, &predictor);
        if (predictor == PREDICTOR_HORIZONTAL) {
            if (l.bitsPerSample != 8) return own;
            own.predictorStride = l.samplesPerPixel;
        } else if (predictor != PREDICTOR_NONE) {
            return own;
        }
        own.coding = OwnStrips::Coding::Lzw;
    }
    own.width = l.width;
    own.read = descriptorReader(TIFFFileno(tif));
    return own;
}

// The first strip of a band that could not be read; strip UINT32_MAX when none.
struct StripFailure {
    uint32_t strip = UINT32_MAX;
    GpStatus status = Ok;
    std::string message;  // libtiff's words, when it gave any
};

// What a band keeps from one strip to the next.
struct StripScratch {
    std::vector<uint8_t> rows;    // a strip decoded
    std::vector<uint8_t> packed;  // a strip as stored
    LzwStripReader lzw;
    G4Reader g4;
};

// The `rows` rows of strip `strip`, or nullptr to leave the strip to libtiff. The stored
// bytes are read here rather than through libtiff, so that a strip libtiff would call
// damaged is only ever reported by libtiff itself.
const uint8_t* readOwnStrip(TIFF* tif, const OwnStrips& own, uint32_t strip, uint64_t lineBytes, uint32_t rows,
                            StripScratch& scratch) {
    const uint64_t outSize = lineBytes * rows;
    const uint64_t offset = TIFFGetStrileOffset(tif, strip);
    const uint64_t size = TIFFGetStrileByteCount(tif, strip);
    // LZW takes nine bits per byte at worst, with a clear code every few thousand; a fax
    // row of single pixels about a byte per pixel: anything longer is not a strip of this page.
    const uint64_t longest = own.coding == OwnStrips::Coding::G4 ? outSize * 8 + 4096 : outSize * 2 + 4096;
    if (size < 2 || size > longest || offset > static_cast<uint64_t>(INT64_MAX) - size) return nullptr;
    if (scratch.packed.size() < size) scratch.packed.resize(static_cast<size_t>(size));
    if (!own.read(offset, scratch.packed.data(), static_cast<size_t>(size))) return nullptr;
    if (own.coding == OwnStrips::Coding::G4) {
        if (own.reversedBits) TIFFReverseBits(scratch.packed.data(), static_cast<tmsize_t>(size));
        return scratch.g4.read(scratch.packed.data(), static_cast<size_t>(size), own.width, rows, scratch.rows.data(),
                               static_cast<size_t>(lineBytes))
                   ? scratch.rows.data()
                   : nullptr;
    }
    uint8_t* decoded = scratch.lzw.read(scratch.packed.data(), static_cast<size_t>(size), static_cast<size_t>(outSize));
    if (decoded && own.predictorStride != 0)
        accumulateRows(decoded, rows, static_cast<size_t>(lineBytes), own.predictorStride);
    return decoded;
}

// How one band reads its strips.
struct StripRun {
    const PageLayout& layout;
    const OwnStrips& own;
    uint32_t rowsPerStrip;
    uint64_t lineBytes;
    const std::atomic<bool>& stop;
    const RowSink& sink;
};

// Strips [first, end) through `tif`, each into its rows; at the first that fails, its
// number, its status (GenericError when libtiff cannot decode it) and libtiff's words.
void readStripRange(TIFF* tif, TiffErrors& errors, const StripRun& run, uint32_t first, uint32_t end,
                    StripScratch& scratch, StripFailure& failure) {
    const uint64_t lineBytes = run.lineBytes;
    for (uint32_t s = first; s < end; ++s) {
        if (run.stop) {
            failure = StripFailure{s, Aborted, {}};
            return;
        }
        const uint32_t y = s * run.rowsPerStrip;
        const uint32_t rows = std::min(run.rowsPerStrip, run.layout.height - y);
        const uint32_t index = TIFFComputeStrip(tif, y, 0);
        if (const uint8_t* own = run.own.coding != OwnStrips::Coding::None
                                     ? readOwnStrip(tif, run.own, index, lineBytes, rows, scratch)
                                     : nullptr) {
            for (uint32_t r = 0; r < rows; ++r) run.sink(own + r * lineBytes, y + r);
            continue;
        }
        uint8_t* decoded = scratch.rows.data();
        errors.failed = false;
        errors.message.clear();
        const tmsize_t got = TIFFReadEncodedStrip(tif, index, decoded, static_cast<tmsize_t>(lineBytes * rows));
        if (got < 0 || errors.failed) {
            failure = StripFailure{s, GenericError, errors.message};
            return;
        }
        // A short strip leaves its remaining rows as zero bytes rather than stale data.
        if (static_cast<uint64_t>(got) < lineBytes * rows)
            std::memset(decoded + got, 0, static_cast<size_t>(lineBytes * rows - got));
        for (uint32_t r = 0; r < rows; ++r) run.sink(decoded + r * lineBytes, y + r);
    }
}

}  // namespace

GpStatus StripReader::read(TIFF* tif, TiffErrors& mainErrors, const Page& page, const PageLayout& l,
                           const RowSink& sink, const std::atomic<bool>& stop, std::string& reason) {
    uint32_t rowsPerStrip = l.height;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    rowsPerStrip = std::clamp<uint32_t>(rowsPerStrip, 1, l.height);
    const uint64_t lineBytes = TIFFScanlineSize64(tif);
    const uint64_t stripBytes = lineBytes * rowsPerStrip;
    if (lineBytes == 0 || stripBytes > Limits::kMaxCodecAllocation) return NotImplemented;
    const uint32_t strips = (l.height - 1) / rowsPerStrip + 1;
    std::vector<TIFF*> handles{tif};
    std::vector<TiffErrors*> errors{&mainErrors};
    addHelpers(tif, page, l, strips, rowsPerStrip, lineBytes, handles, errors);
    const size_t bands = handles.size();
    const OwnStrips own = ownStripsFor(tif, l);
    const StripRun run{l, own, rowsPerStrip, lineBytes, stop, sink};
    // A band slowed down does not hold up the page: strips go a few at a time to whichever
    // band is free.
    constexpr uint32_t kStripsPerTake = 4;
    std::atomic<uint32_t> nextStrip{0};
    std::atomic<uint32_t> firstFailure{UINT32_MAX};
    std::vector<StripFailure> failures(bands);
    // Each band reports through `failures`, so the status of the run itself says nothing.
    (void)runBands(bands, [&](size_t band) {
        StripFailure& failure = failures[band];
        try {
            StripScratch scratch;
            scratch.rows.resize(static_cast<size_t>(stripBytes));
            for (;;) {
                const uint32_t first = nextStrip.fetch_add(kStripsPerTake);
                if (first >= strips || first > firstFailure) return Ok;
                const uint32_t end = std::min(strips, first + kStripsPerTake);
                readStripRange(handles[band], *errors[band], run, first, end, scratch, failure);
                if (failure.status != Ok) {
                    for (uint32_t seen = firstFailure; failure.strip < seen;)
                        if (firstFailure.compare_exchange_weak(seen, failure.strip)) break;
                    return Ok;
                }
            }
        } catch (const std::bad_alloc&) {
            failure = StripFailure{0, OutOfMemory, {}};
            return Ok;
        }
    });
    const auto first = std::min_element(failures.begin(), failures.end(),
                                        [](const StripFailure& a, const StripFailure& b) { return a.strip < b.strip; });
    if (first->status == GenericError)
        reason = first->message.empty() ? "a strip of the page cannot be decoded" : first->message;
    return first->status;
}

// Helpers for pages of enough strips and bytes that the threads pay; a helper that does not
// see the page exactly as the main handle does is not used.
void StripReader::addHelpers(TIFF* tif, const Page& page, const PageLayout& l, uint32_t strips,
                             uint32_t rowsPerStrip, uint64_t lineBytes, std::vector<TIFF*>& handles,
                             std::vector<TiffErrors*>& errors) {
    constexpr uint32_t kMinStripsPerBand = 2;
    constexpr uint64_t kMinBandBytes = 128 << 10;
    const uint64_t pageBytes = lineBytes * l.height;
    const uint64_t wanted =
        std::min<uint64_t>({GdipWorkerCount(), strips / kMinStripsPerBand, pageBytes / kMinBandBytes});
    for (size_t i = 0; i + 1 < wanted; ++i) {
        if (i == m_helpers.size()) {
            auto helper = std::make_unique<Helper>();
            helper->tiff = openSharedTiffReader(TIFFFileno(tif), helper->errors);
            if (!helper->tiff) return;
            m_helpers.push_back(std::move(helper));
        }
        Helper& helper = *m_helpers[i];
        TIFF* other = helper.tiff.get();
        helper.errors.failed = false;
        if (!TIFFSetSubDirectory(other, page.directoryOffset) || helper.errors.failed) return;
        if (page.jpegAsRgb) TIFFSetField(other, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
        uint32_t helperRows = 0;
        TIFFGetFieldDefaulted(other, TIFFTAG_ROWSPERSTRIP, &helperRows);
        if (std::clamp<uint32_t>(helperRows, 1, l.height) != rowsPerStrip || TIFFScanlineSize64(other) != lineBytes ||
            TIFFNumberOfStrips(other) != TIFFNumberOfStrips(tif))
            return;
        handles.push_back(other);
        errors.push_back(&helper.errors);
    }
}

}  // namespace gdip::codecs
