#include "filtered_deflate.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "../parallel_bands.h"
#include "adler_checksum.h"

namespace gdip::codecs {
namespace {

// Level 4 with the sub or up filter per row, as for pictures written through libpng; see
// png_encoder.cpp for the measurements.
constexpr int kLevel = 4;
constexpr size_t kBandBytes = size_t{1} << 20;  // filtered bytes per band, about
constexpr uint32_t kBandsPerWorker = 4;         // bands made and not yet written, per worker
constexpr size_t kWindow = 32768;

// The rows, each with its filter byte in front.
class RowFilter {
public:
    explicit RowFilter(const SampleRows& rows)
        : m_rows(rows), m_channels(rows.channels), m_rowBytes(size_t{rows.width} * rows.channels) {}

    size_t filteredRowBytes() const { return m_rowBytes + 1; }

    // Rows [first, end) filtered into `out`, one after another: each row is converted once
    // and kept as the next row's row above.
    void filterRows(uint32_t first, uint32_t end, uint8_t* out) const {
        std::vector<uint8_t> buffers(3 * m_rowBytes);
        uint8_t* above = buffers.data();
        uint8_t* row = above + m_rowBytes;
        uint8_t* up = row + m_rowBytes;
        if (first > 0)
            m_rows.read(first - 1, above);
        else
            std::memset(above, 0, m_rowBytes);
        // Locals and unaliased pointers let the compiler vectorise the byte loops.
        const size_t channels = m_channels, count = m_rowBytes;
        for (uint32_t y = first; y < end; ++y, out += count + 1) {
            m_rows.read(y, row);
            // The filter whose output has the smaller sum of magnitudes, as libpng chooses.
            uint8_t* __restrict sub = out + 1;
            const uint8_t* __restrict current = row;
            const uint8_t* __restrict previous = above;
            uint8_t* __restrict difference = up;
            for (size_t i = 0; i < channels; ++i) sub[i] = current[i];
            for (size_t i = channels; i < count; ++i) sub[i] = static_cast<uint8_t>(current[i] - current[i - channels]);
            for (size_t i = 0; i < count; ++i) difference[i] = static_cast<uint8_t>(current[i] - previous[i]);
            const uint64_t subSum = magnitudes(sub, count), upSum = magnitudes(difference, count);
            out[0] = upSum < subSum ? 2 : 1;
            if (upSum < subSum) std::memcpy(sub, difference, count);
            std::swap(above, row);
        }
    }

private:
    static uint64_t magnitudes(const uint8_t* __restrict bytes, size_t count) {
        // In pieces small enough for 32-bit sums, which vectorise well.
        uint64_t sum = 0;
        for (size_t start = 0; start < count; start += 65536) {
            const size_t stop = std::min(count, start + 65536);
            uint32_t part = 0;
            for (size_t i = start; i < stop; ++i) {
                const int value = static_cast<int8_t>(bytes[i]);
                part += static_cast<uint32_t>(value < 0 ? -value : value);
            }
            sum += part;
        }
        return sum;
    }

    const SampleRows& m_rows;
    size_t m_channels;
    size_t m_rowBytes;
};

struct DeflateEnd {
    void operator()(z_stream* z) const {
        deflateEnd(z);
        delete z;
    }
};

// Bytes written before they are read, so never zeroed, and kept from one band to the next:
// a band's buffers cost neither clearing nor fresh pages.
struct Bytes {
    std::unique_ptr<uint8_t[]> data;
    size_t capacity = 0;
    size_t size = 0;
    uint8_t* resize(size_t n) {
        if (n > capacity) {
            data.reset(new uint8_t[n]);
            capacity = n;
        }
        size = n;
        return data.get();
    }
};

struct Band {
    Bytes packed;  // kept in its slot until it is written
    uLong adler = 1;
    size_t bytes = 0;  // filtered bytes
};

// Deflate's own failures: out of memory, or anything else.
GpStatus deflateFailure(int result) { return result == Z_MEM_ERROR ? OutOfMemory : GenericError; }

// Band `rows` [first, end): filtered, primed with the filtered bytes just before it, deflated.
GpStatus compressBand(const RowFilter& filter, uint32_t first, uint32_t end, bool last, Band& band) {
    const size_t rowBytes = filter.filteredRowBytes();
    const uint32_t primingRows = first == 0 ? 0 : static_cast<uint32_t>(std::min<size_t>(first, (kWindow + rowBytes - 1) / rowBytes));
    // With the rows before the band that prime the compressor; one a thread, used at once.
    thread_local Bytes filtered;
    uint8_t* data = filtered.resize(rowBytes * (end - first + primingRows));
    filter.filterRows(first - primingRows, end, data);
    const uint8_t* own = data + size_t{primingRows} * rowBytes;
    band.bytes = rowBytes * (end - first);
    band.adler = adlerChecksum(1, own, band.bytes);

    std::unique_ptr<z_stream, DeflateEnd> z(new z_stream{});
    if (const int result = deflateInit2(z.get(), kLevel, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY); result != Z_OK) {
        delete z.release();
        return deflateFailure(result);
    }
    if (primingRows > 0) {
        const size_t dictionary = std::min(kWindow, size_t{primingRows} * rowBytes);
        if (const int result = deflateSetDictionary(z.get(), own - dictionary, static_cast<uInt>(dictionary));
            result != Z_OK)
            return deflateFailure(result);
    }
    z->next_in = const_cast<Bytef*>(own);
    z->avail_in = static_cast<uInt>(band.bytes);
    z->avail_out = static_cast<uInt>(deflateBound(z.get(), static_cast<uLong>(band.bytes)) + 16);
    z->next_out = band.packed.resize(z->avail_out);
    // A band ends on a byte boundary without ending the stream; the last one ends it.
    const int result = deflate(z.get(), last ? Z_FINISH : Z_SYNC_FLUSH);
    if ((last && result != Z_STREAM_END) || (!last && (result != Z_OK || z->avail_in != 0)))
        return deflateFailure(result);
    band.packed.size -= z->avail_out;
    return Ok;
}

}  // namespace

GpStatus deflateFilteredRows(const SampleRows& rows, const std::function<bool(const uint8_t*, size_t)>& put) {
    if (rows.width == 0 || rows.height == 0 || rows.channels == 0) return InvalidParameter;
    const RowFilter filter(rows);
    const uint32_t rowsPerBand = static_cast<uint32_t>(
        std::clamp<size_t>(kBandBytes / filter.filteredRowBytes(), 1, rows.height));
    const uint32_t bands = (rows.height - 1) / rowsPerBand + 1;
    const uint32_t workers = std::max<uint32_t>(1, GdipWorkerCount());
    // The zlib header: deflate with a 32 KiB window, a middling level.
    const uint8_t zlibHeader[2] = {0x78, 0x5E};
    std::vector<uint8_t> piece(zlibHeader, zlibHeader + 2);
    uLong adler = 1;
    try {
        std::vector<Band> results(std::min(workers * kBandsPerWorker, bands));
        const GpStatus status = runInOrder(
            bands, results.size(),
            [&](size_t slot, size_t band) {
                const uint32_t y = static_cast<uint32_t>(band) * rowsPerBand;
                return compressBand(filter, y, std::min(rows.height, y + rowsPerBand), band + 1 == bands, results[slot]);
            },
            [&](size_t slot, size_t band) {
                Band& done = results[slot];
                adler = adler32_combine(adler, done.adler, static_cast<z_off_t>(done.bytes));
                piece.insert(piece.end(), done.packed.data.get(), done.packed.data.get() + done.packed.size);
                if (band + 1 == bands) {
                    const uint32_t sum = static_cast<uint32_t>(adler);
                    const uint8_t trailer[4] = {static_cast<uint8_t>(sum >> 24), static_cast<uint8_t>(sum >> 16),
                                                static_cast<uint8_t>(sum >> 8), static_cast<uint8_t>(sum)};
                    piece.insert(piece.end(), trailer, trailer + 4);
                }
                const bool written = put(piece.data(), piece.size());
                piece.clear();
                return written ? Ok : Win32Error;
            });
        if (status != Ok) return status;
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
    return Ok;
}

}  // namespace gdip::codecs
