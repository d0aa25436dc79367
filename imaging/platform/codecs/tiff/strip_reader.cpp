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

StripRows::StripRows(TIFF* tif, TiffErrors& errors, const PageLayout& l, std::shared_ptr<const G4Bands> bands)
    : m_tif(tif), m_errors(errors), m_width(l.width), m_height(l.height), m_rowsPerStrip(l.height),
      m_lineBytes(TIFFScanlineSize64(tif)), m_bands(std::move(bands)) {
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &m_rowsPerStrip);
    m_rowsPerStrip = std::clamp<uint32_t>(m_rowsPerStrip, 1, l.height);
    uint16_t fillOrder = FILLORDER_MSB2LSB;
    TIFFGetFieldDefaulted(tif, TIFFTAG_FILLORDER, &fillOrder);
    if (l.compression == COMPRESSION_CCITTFAX4 && l.bitsPerSample == 1 && l.samplesPerPixel == 1) {
        m_coding = Coding::G4;
        m_reversedBits = fillOrder == FILLORDER_LSB2MSB;
    } else {
        // Samples wider than a byte need libtiff's byte swapping after decoding.
        if (l.compression != COMPRESSION_LZW || l.planar != PLANARCONFIG_CONTIG || l.bitsPerSample > 8 ||
            fillOrder != FILLORDER_MSB2LSB)
            return;
        uint16_t predictor = PREDICTOR_NONE;
        TIFFGetFieldDefaulted(tif, TIFFTAG_PREDICTOR, &predictor);
        if (predictor == PREDICTOR_HORIZONTAL) {
            if (l.bitsPerSample != 8) return;
            m_predictorStride = l.samplesPerPixel;
        } else if (predictor != PREDICTOR_NONE) {
            return;
        }
        m_coding = Coding::Lzw;
    }
    m_read = descriptorReader(TIFFFileno(tif));
}

bool StripRows::readPacked(uint32_t strip, uint64_t longest, uint64_t& size) {
    const uint64_t offset = TIFFGetStrileOffset(m_tif, strip);
    size = TIFFGetStrileByteCount(m_tif, strip);
    if (size < 2 || size > longest || offset > static_cast<uint64_t>(INT64_MAX) - size) return false;
    if (m_packed.size() < size) m_packed.resize(static_cast<size_t>(size));
    if (!m_read(offset, m_packed.data(), static_cast<size_t>(size))) return false;
    if (m_coding == Coding::G4 && m_reversedBits) TIFFReverseBits(m_packed.data(), static_cast<tmsize_t>(size));
    return true;
}

namespace {

// The longest a strip of `outSize` decoded bytes may be stored in: LZW takes nine bits per
// byte at worst, with a clear code every few thousand; a fax row of single pixels about a
// byte per pixel. Anything longer is not a strip of this page.
uint64_t longestStored(bool g4, uint64_t outSize) { return g4 ? outSize * 8 + 4096 : outSize * 2 + 4096; }

}  // namespace

// The stored bytes are read here rather than through libtiff, so that a strip libtiff would
// call damaged is only ever reported by libtiff itself; false leaves the strip to libtiff.
bool StripRows::readOwn(uint32_t strip, uint32_t rows, uint32_t y, const RowSink& sink) {
    const uint64_t outSize = m_lineBytes * rows;
    uint64_t size = 0;
    if (!readPacked(strip, longestStored(m_coding == Coding::G4, outSize), size)) return false;
    if (m_coding == Coding::G4)
        return m_g4.read(m_packed.data(), static_cast<size_t>(size), m_width, rows,
                         [&](const uint8_t* row, uint32_t r) { sink(row, y + r); });
    uint8_t* decoded = m_lzw.read(m_packed.data(), static_cast<size_t>(size), static_cast<size_t>(outSize));
    if (!decoded) return false;
    if (m_predictorStride != 0) accumulateRows(decoded, rows, static_cast<size_t>(m_lineBytes), m_predictorStride);
    for (uint32_t r = 0; r < rows; ++r) sink(decoded + r * m_lineBytes, y + r);
    return true;
}

std::shared_ptr<const G4Bands> StripRows::g4Bands(uint32_t rowsPerBand) {
    if (m_coding != Coding::G4 || rowsPerBand == 0 || m_rowsPerStrip < m_height || m_height <= rowsPerBand)
        return nullptr;
    uint64_t size = 0;
    if (!readPacked(0, std::min<uint64_t>(longestStored(true, m_lineBytes * m_height), Limits::kMaxCodecAllocation),
                    size))
        return nullptr;
    auto bands = std::make_shared<G4Bands>();
    bands->rowsPerBand = rowsPerBand;
    if (!m_g4.mark(m_packed.data(), static_cast<size_t>(size), m_width, m_height, rowsPerBand, bands->marks))
        return nullptr;
    bands->data.assign(m_packed.begin(), m_packed.begin() + static_cast<ptrdiff_t>(size));
    std::vector<uint8_t>().swap(m_packed);
    return bands;
}

GpStatus StripRows::read(uint32_t row, const RowSink& sink, std::string& message) {
    if (m_bands) {
        // Checked all through when the bands were made: the data cannot fail here.
        const uint32_t band = row / m_bands->rowsPerBand, first = band * m_bands->rowsPerBand;
        if (band < m_bands->marks.size() &&
            m_g4.readFrom(m_bands->data.data(), m_bands->data.size(), m_width, m_bands->marks[band], first,
                          std::min(m_bands->rowsPerBand, m_height - first), sink))
            return Ok;
        message = "the page's fax data cannot be read again";
        return GenericError;
    }
    const uint32_t y = row / m_rowsPerStrip * m_rowsPerStrip;
    const uint32_t rows = std::min(m_rowsPerStrip, m_height - y);
    const uint32_t index = TIFFComputeStrip(m_tif, y, 0);
    if (m_coding != Coding::None && readOwn(index, rows, y, sink)) return Ok;
    // Only strips libtiff decodes need room for a whole strip.
    if (m_rows.size() < m_lineBytes * m_rowsPerStrip) m_rows.resize(static_cast<size_t>(m_lineBytes * m_rowsPerStrip));
    uint8_t* decoded = m_rows.data();
    m_errors.failed = false;
    m_errors.message.clear();
    const tmsize_t got = TIFFReadEncodedStrip(m_tif, index, decoded, static_cast<tmsize_t>(m_lineBytes * rows));
    if (got < 0 || m_errors.failed) {
        message = m_errors.message;
        return GenericError;
    }
    // A short strip leaves its remaining rows as zero bytes rather than stale data.
    if (static_cast<uint64_t>(got) < m_lineBytes * rows)
        std::memset(decoded + got, 0, static_cast<size_t>(m_lineBytes * rows - got));
    for (uint32_t r = 0; r < rows; ++r) sink(decoded + r * m_lineBytes, y + r);
    return Ok;
}

namespace {

// How one band reads its strips.
struct StripRun {
    const PageLayout& layout;
    uint32_t rowsPerStrip;
    const std::atomic<bool>& stop;
    const RowSink& sink;
};

// The first strip of a band that could not be read; strip UINT32_MAX when none.
struct StripFailure {
    uint32_t strip = UINT32_MAX;
    GpStatus status = Ok;
    std::string message;  // libtiff's words, when it gave any
};

// Strips [first, end) through `strips`, each into its rows; at the first that fails, its
// number, its status (GenericError when libtiff cannot decode it) and libtiff's words.
void readStripRange(StripRows& strips, const StripRun& run, uint32_t first, uint32_t end, StripFailure& failure) {
    for (uint32_t s = first; s < end; ++s) {
        if (run.stop) {
            failure = StripFailure{s, Aborted, {}};
            return;
        }
        std::string message;
        if (strips.read(s * run.rowsPerStrip, run.sink, message) != Ok) {
            failure = StripFailure{s, GenericError, std::move(message)};
            return;
        }
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
    const StripRun run{l, rowsPerStrip, stop, sink};
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
            StripRows rows(handles[band], *errors[band], l);
            for (;;) {
                const uint32_t first = nextStrip.fetch_add(kStripsPerTake);
                if (first >= strips || first > firstFailure) return Ok;
                const uint32_t end = std::min(strips, first + kStripsPerTake);
                readStripRange(rows, run, first, end, failure);
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
