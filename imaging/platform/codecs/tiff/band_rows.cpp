#include "band_rows.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

#include "../../orientation.h"
#include "tile_rows.h"

namespace gdip::codecs {
namespace {

// Each page read by bands has a number of its own, so that a thread tells its reader of this
// page from one it had for another, even one that lay at the same address.
std::atomic<uint64_t> nextSerial{1};

// The reader this thread last made, and for which page.
struct ThreadReader {
    uint64_t serial = 0;
    void* reader = nullptr;
};
thread_local ThreadReader mine;

// About this many bytes of stored columns a band of a page on its side, held twice while
// it is turned: a pass over the page's strips for each.
constexpr uint64_t kColumnBandBytes = uint64_t{16} << 20;

}  // namespace

struct BandRows::Reader {
    TiffErrors errors;  // declared before the handle that reports into it
    TiffPtr tiff;
    std::unique_ptr<StripRows> strips;
    std::unique_ptr<TileRows> tiles;
    uint32_t firstRow = UINT32_MAX;  // the stored band held in `rows`
    uint32_t rowCount = 0;
    std::vector<uint8_t> rows;    // its rows as frame rows
    bool turnedHeld = false;      // whether `turned` shows them
    std::vector<uint8_t> turned;  // the same band as shown, for a page turned but not on its side
    std::shared_ptr<Columns> columns;  // the band of a page on its side this thread reads

    uint32_t rowsPerRead() const { return tiles ? tiles->rowsPerRead() : strips->rowsPerRead(); }
    GpStatus read(uint32_t y, const RowSink& sink, std::string& message, uint32_t from, uint32_t to) {
        return tiles ? tiles->read(y, sink, message, from, to) : strips->read(y, sink, message);
    }
};

// Upright rows made from stored columns [first, first + count), once, by the first thread
// that asks for one of them.
struct BandRows::Columns {
    uint32_t first = 0;
    uint32_t count = 0;
    std::once_flag made;
    std::vector<uint8_t> upright;  // empty when they could not be made
};

BandRows::BandRows(int fd, uint64_t directoryOffset, bool jpegAsRgb, const PageLayout& l, RowConversion convert,
                   PixelClass pixelClass, uint16_t orientation, uint32_t tileWidth,
                   std::shared_ptr<const G4Bands> g4)
    : m_serial(nextSerial.fetch_add(1)), m_fd(fd), m_directoryOffset(directoryOffset), m_jpegAsRgb(jpegAsRgb),
      m_layout(l), m_convert(convert), m_pixelClass(pixelClass),
      m_orientation(orientation >= 1 && orientation <= 8 ? orientation : 1),
      m_storedStride(rowStride(l.width, pixelClass)),
      m_uprightStride(orientationSwapsSides(m_orientation) ? rowStride(l.height, pixelClass) : m_storedStride),
      m_columnsPerBand(columnsPerBand(l, pixelClass, tileWidth)), m_g4(std::move(g4)) {}

BandRows::~BandRows() = default;

uint32_t BandRows::columnsPerBand(const PageLayout& l, PixelClass pixelClass, uint32_t tileWidth) {
    const uint64_t columnBytes = std::max<uint64_t>(1, uint64_t{l.height} * bitsPerPixel(pixelClass) / 8);
    // Whole bytes of a bilevel row, so that a band's stored columns are copied bytewise.
    uint64_t columns = std::max<uint64_t>(8, kColumnBandBytes / columnBytes / 8 * 8);
    if (tileWidth != 0) columns = std::max<uint64_t>(tileWidth, columns / tileWidth * tileWidth);
    return static_cast<uint32_t>(std::min<uint64_t>(columns, l.width));
}

BandRows::Reader* BandRows::readerOfThisThread() {
    if (mine.serial == m_serial) return static_cast<Reader*>(mine.reader);
    // Opened without the lock: other threads go on reading meanwhile.
    auto reader = std::make_unique<Reader>();
    reader->tiff = openSharedTiffReader(m_fd, reader->errors);
    if (!reader->tiff || !TIFFSetSubDirectory(reader->tiff.get(), m_directoryOffset) || reader->errors.failed)
        return nullptr;
    if (m_jpegAsRgb) TIFFSetField(reader->tiff.get(), TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    if (TIFFIsTiled(reader->tiff.get())) {
        reader->tiles = std::make_unique<TileRows>(reader->tiff.get(), reader->errors, m_layout);
        if (reader->tiles->usable() != Ok) return nullptr;
    } else {
        reader->strips = std::make_unique<StripRows>(reader->tiff.get(), reader->errors, m_layout, m_g4);
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_readers.push_back(std::move(reader));
    mine = {m_serial, m_readers.back().get()};
    return m_readers.back().get();
}

void BandRows::fail(std::string why) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_failure.empty()) m_failure = why.empty() ? "a strip of the page cannot be decoded" : std::move(why);
}

std::string BandRows::failure() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_failure;
}

void BandRows::readStoredBand(Reader& reader, uint32_t y) {
    const uint32_t rowsPerRead = reader.rowsPerRead();
    reader.firstRow = y / rowsPerRead * rowsPerRead;
    reader.rowCount = std::min(rowsPerRead, m_layout.height - reader.firstRow);
    reader.rows.assign(m_storedStride * reader.rowCount, 0);
    reader.turnedHeld = false;
    std::string message;
    const GpStatus status = reader.read(
        y,
        [&](const uint8_t* stored, uint32_t at) {
            m_convert(stored, reader.rows.data() + (at - reader.firstRow) * m_storedStride, m_layout);
        },
        message, 0, m_layout.width);
    if (status != Ok) {
        // The band's rows stay zeroed; the page fails once it is written.
        std::fill(reader.rows.begin(), reader.rows.end(), 0);
        fail(std::move(message));
    }
}

const uint8_t* BandRows::row(uint32_t y, uint8_t* scratch) {
    Reader* reader = readerOfThisThread();
    if (!reader) {
        fail("the page cannot be read again");
        std::memset(scratch, 0, m_uprightStride);
        return scratch;
    }
    if (orientationSwapsSides(m_orientation)) return rowOnItsSide(*reader, y, scratch);
    const bool upsideDown = m_orientation == 3 || m_orientation == 4;
    const uint32_t stored = upsideDown ? m_layout.height - 1 - y : y;
    if (stored - reader->firstRow >= reader->rowCount) readStoredBand(*reader, stored);
    const size_t k = stored - reader->firstRow;
    if (m_orientation == 1) return reader->rows.data() + k * m_storedStride;
    if (!reader->turnedHeld) {
        reader->turned.assign(reader->rows.size(), 0);
        turnPixels(reader->rows.data(), m_storedStride, m_layout.width, reader->rowCount,
                   static_cast<uint32_t>(bitsPerPixel(m_pixelClass)), m_orientation, reader->turned.data(),
                   m_storedStride);
        reader->turnedHeld = true;
    }
    return reader->turned.data() + (upsideDown ? reader->rowCount - 1 - k : k) * m_storedStride;
}

const uint8_t* BandRows::rowOnItsSide(Reader& reader, uint32_t y, uint8_t* scratch) {
    // Upright row y is stored column y, or, turned the other way, the column as far from the
    // right; a band's rows come out of the turn in that order too.
    const bool fromRight = m_orientation == 7 || m_orientation == 8;
    const uint32_t column = fromRight ? m_layout.width - 1 - y : y;
    const uint32_t first = column / m_columnsPerBand * m_columnsPerBand;
    if (!reader.columns || reader.columns->first != first) {
        reader.columns.reset();
        std::shared_ptr<Columns> wanted;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            // Only the bands some thread still reads from are kept besides this one: rows are
            // asked for about in order, and a band let go is made again if it is wanted again.
            for (std::shared_ptr<Columns>& held : m_columns)
                if (held && held->first == first) wanted = held;
            std::erase_if(m_columns, [](const std::shared_ptr<Columns>& held) { return held.use_count() == 1; });
            if (!wanted) {
                wanted = std::make_shared<Columns>();
                wanted->first = first;
                wanted->count = std::min(m_columnsPerBand, m_layout.width - first);
            }
            if (std::find(m_columns.begin(), m_columns.end(), wanted) == m_columns.end()) m_columns.push_back(wanted);
        }
        std::call_once(wanted->made, [&] { readColumns(reader, wanted->first, wanted->count, wanted->upright); });
        reader.columns = std::move(wanted);
    }
    const Columns& band = *reader.columns;
    if (band.upright.empty()) {
        std::memset(scratch, 0, m_uprightStride);
        return scratch;
    }
    const size_t k = column - band.first;
    return band.upright.data() + (fromRight ? band.count - 1 - k : k) * m_uprightStride;
}

void BandRows::readColumns(Reader& reader, uint32_t first, uint32_t count, std::vector<uint8_t>& upright) {
    try {
        // The stored columns as frame rows `count` pixels wide: each stored row converted
        // from the first of them on (whole bytes: see columnsPerBand).
        PageLayout narrow = m_layout;
        narrow.width = count;
        const size_t stride = rowStride(count, m_pixelClass);
        const size_t offset = size_t{first} * m_layout.bitsPerSample * m_layout.samplesPerPixel / 8;
        std::vector<uint8_t> block(stride * m_layout.height, 0);
        const RowSink sink = [&](const uint8_t* stored, uint32_t at) {
            m_convert(stored + offset, block.data() + at * stride, narrow);
        };
        for (uint32_t y = 0; y < m_layout.height; y += reader.rowsPerRead()) {
            std::string message;
            if (reader.read(y, sink, message, first, first + count) != Ok) {
                fail(std::move(message));
                return;
            }
        }
        upright.assign(m_uprightStride * count, 0);
        turnPixels(block.data(), stride, count, m_layout.height, static_cast<uint32_t>(bitsPerPixel(m_pixelClass)),
                   m_orientation, upright.data(), m_uprightStride);
    } catch (const std::bad_alloc&) {
        upright.clear();
        fail("there is not enough memory for a band of the page");
    }
}

}  // namespace gdip::codecs
