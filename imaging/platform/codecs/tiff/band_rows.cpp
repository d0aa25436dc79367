#include "band_rows.h"

#include <atomic>
#include <cstring>

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

}  // namespace

BandRows::BandRows(int fd, uint64_t directoryOffset, bool jpegAsRgb, const PageLayout& l, RowConversion convert,
                   size_t frameStride, std::shared_ptr<const G4Bands> g4)
    : m_serial(nextSerial.fetch_add(1)), m_fd(fd), m_directoryOffset(directoryOffset), m_jpegAsRgb(jpegAsRgb),
      m_layout(l), m_convert(convert), m_frameStride(frameStride), m_g4(std::move(g4)) {}

BandRows::Reader* BandRows::readerOfThisThread() {
    if (mine.serial == m_serial) return static_cast<Reader*>(mine.reader);
    // Opened without the lock: other threads go on reading meanwhile.
    auto reader = std::make_unique<Reader>();
    reader->tiff = openSharedTiffReader(m_fd, reader->errors);
    if (!reader->tiff || !TIFFSetSubDirectory(reader->tiff.get(), m_directoryOffset) || reader->errors.failed)
        return nullptr;
    if (m_jpegAsRgb) TIFFSetField(reader->tiff.get(), TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    reader->strips = std::make_unique<StripRows>(reader->tiff.get(), reader->errors, m_layout, m_g4);
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

const uint8_t* BandRows::row(uint32_t y, uint8_t* scratch) {
    Reader* reader = readerOfThisThread();
    if (!reader) {
        fail("the page cannot be read again");
        std::memset(scratch, 0, m_frameStride);
        return scratch;
    }
    if (y - reader->firstRow >= reader->rowCount) {
        const uint32_t rowsPerRead = reader->strips->rowsPerRead();
        reader->firstRow = y / rowsPerRead * rowsPerRead;
        reader->rowCount = std::min(rowsPerRead, m_layout.height - reader->firstRow);
        reader->rows.assign(m_frameStride * reader->rowCount, 0);
        std::string message;
        const GpStatus status = reader->strips->read(y, [&](const uint8_t* stored, uint32_t at) {
            m_convert(stored, reader->rows.data() + (at - reader->firstRow) * m_frameStride, m_layout);
        }, message);
        if (status != Ok) {
            // The strip's rows stay zeroed; the page fails once it is written.
            std::fill(reader->rows.begin(), reader->rows.end(), 0);
            fail(std::move(message));
        }
    }
    return reader->rows.data() + (y - reader->firstRow) * m_frameStride;
}

}  // namespace gdip::codecs
