#include "png_bands.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "../channel_order.h"
#include "../parallel_bands.h"

namespace gdip::codecs {
namespace {

// Level 4 with the sub or up filter per row, as for pictures written through libpng; see
// png_encoder.cpp for the measurements.
constexpr int kLevel = 4;
constexpr size_t kBandBytes = size_t{1} << 20;  // filtered bytes per band, about
constexpr uint32_t kBandsPerWorker = 4;         // bands in flight per worker
constexpr size_t kWindow = 32768;

void putBe32(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value >> 24);
    at[1] = static_cast<uint8_t>(value >> 16);
    at[2] = static_cast<uint8_t>(value >> 8);
    at[3] = static_cast<uint8_t>(value);
}

bool writeChunk(std::FILE* stream, const char* type, const uint8_t* data, size_t size) {
    uint8_t head[8];
    putBe32(head, static_cast<uint32_t>(size));
    std::memcpy(head + 4, type, 4);
    uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(type), 4);
    if (size > 0) crc = crc32(crc, data, static_cast<uInt>(size));
    uint8_t tail[4];
    putBe32(tail, static_cast<uint32_t>(crc));
    return std::fwrite(head, 1, 8, stream) == 8 && (size == 0 || std::fwrite(data, 1, size, stream) == size) &&
           std::fwrite(tail, 1, 4, stream) == 4;
}

// The picture's rows as PNG stores them, each with its filter byte in front.
class RowFilter {
public:
    explicit RowFilter(const Frame& frame)
        : m_frame(frame), m_channels(frame.pixelClass == PixelClass::Argb32 ? 4 : 3),
          m_rowBytes(size_t{frame.width} * m_channels) {
        paletteRgbTable(frame, m_rgbOfIndex);
    }

    size_t filteredRowBytes() const { return m_rowBytes + 1; }

    // Rows [first, end) filtered into `out`, one after another: each row is converted once
    // and kept as the next row's row above.
    void filterRows(uint32_t first, uint32_t end, uint8_t* out) const {
        std::vector<uint8_t> buffers(3 * m_rowBytes);
        uint8_t* above = buffers.data();
        uint8_t* row = above + m_rowBytes;
        uint8_t* up = row + m_rowBytes;
        if (first > 0)
            toSamples(first - 1, above);
        else
            std::memset(above, 0, m_rowBytes);
        // Locals and unaliased pointers let the compiler vectorise the byte loops.
        const size_t channels = m_channels, count = m_rowBytes;
        for (uint32_t y = first; y < end; ++y, out += count + 1) {
            toSamples(y, row);
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

    void toSamples(uint32_t y, uint8_t* out) const {
        const uint8_t* src = m_frame.row(y);
        if (m_frame.pixelClass == PixelClass::Indexed1 || m_frame.pixelClass == PixelClass::Indexed8) {
            indexedRowToRgb(m_frame, y, m_rgbOfIndex, out);
            return;
        }
        const uint32_t width = m_frame.width;
        uint8_t* __restrict to = out;
        const uint8_t* __restrict from = src;
        if (m_channels == 3) {
            swapRedAndBlue(from, to, width);
            return;
        }
        for (uint32_t x = 0; x < width; ++x) {
            to[4 * x] = from[4 * x + 2];
            to[4 * x + 1] = from[4 * x + 1];
            to[4 * x + 2] = from[4 * x];
            to[4 * x + 3] = from[4 * x + 3];
        }
    }

    const Frame& m_frame;
    size_t m_channels;
    size_t m_rowBytes;
    uint8_t m_rgbOfIndex[3 * 256] = {};
};

struct DeflateEnd {
    void operator()(z_stream* z) const {
        deflateEnd(z);
        delete z;
    }
};

struct Band {
    std::vector<uint8_t> packed;
    uLong adler = 1;
    size_t bytes = 0;  // filtered bytes
};

// Deflate's own failures: out of memory, or anything else.
GpStatus deflateFailure(int result) { return result == Z_MEM_ERROR ? OutOfMemory : GenericError; }

// Band `rows` [first, end): filtered, primed with the filtered bytes just before it, deflated.
GpStatus compressBand(const RowFilter& filter, uint32_t first, uint32_t end, bool last, Band& band) {
    const size_t rowBytes = filter.filteredRowBytes();
    const uint32_t primingRows = first == 0 ? 0 : static_cast<uint32_t>(std::min<size_t>(first, (kWindow + rowBytes - 1) / rowBytes));
    std::vector<uint8_t> data(rowBytes * (end - first + primingRows));
    filter.filterRows(first - primingRows, end, data.data());
    const uint8_t* own = data.data() + size_t{primingRows} * rowBytes;
    band.bytes = rowBytes * (end - first);
    band.adler = adler32(1L, own, static_cast<uInt>(band.bytes));

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
    band.packed.resize(deflateBound(z.get(), static_cast<uLong>(band.bytes)) + 16);
    z->next_in = const_cast<Bytef*>(own);
    z->avail_in = static_cast<uInt>(band.bytes);
    z->next_out = band.packed.data();
    z->avail_out = static_cast<uInt>(band.packed.size());
    // A band ends on a byte boundary without ending the stream; the last one ends it.
    const int result = deflate(z.get(), last ? Z_FINISH : Z_SYNC_FLUSH);
    if ((last && result != Z_STREAM_END) || (!last && (result != Z_OK || z->avail_in != 0)))
        return deflateFailure(result);
    band.packed.resize(band.packed.size() - z->avail_out);
    return Ok;
}

}  // namespace

void paletteRgbTable(const Frame& frame, uint8_t (&table)[3 * 256]) {
    std::memset(table, 0, sizeof table);
    for (size_t i = 0; i < frame.palette.size() && i < 256; ++i) {
        table[3 * i] = static_cast<uint8_t>(frame.palette[i] >> 16);
        table[3 * i + 1] = static_cast<uint8_t>(frame.palette[i] >> 8);
        table[3 * i + 2] = static_cast<uint8_t>(frame.palette[i]);
    }
}

void indexedRowToRgb(const Frame& frame, uint32_t y, const uint8_t* table, uint8_t* out) {
    const uint8_t* src = frame.row(y);
    const bool oneBit = frame.pixelClass == PixelClass::Indexed1;
    for (uint32_t x = 0; x < frame.width; ++x, out += 3) {
        const unsigned index = oneBit ? (src[x >> 3] >> (7 - (x & 7))) & 1u : src[x];
        std::memcpy(out, table + 3 * index, 3);
    }
}

PngAspect pngAspect(const PageMetadata& meta) {
    // pHYs holds whole numbers: the ratio is kept to a thousandth.
    if (!(meta.aspectX > 0 && meta.aspectY > 0) || meta.aspectX > 4e6 || meta.aspectY > 4e6) return {};
    return {static_cast<uint32_t>(std::lrint(meta.aspectX * 1000)), static_cast<uint32_t>(std::lrint(meta.aspectY * 1000))};
}

GpStatus writePngInBands(std::FILE* stream, const Frame& frame, uint32_t pixelsPerMetreX,
                         uint32_t pixelsPerMetreY) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const RowFilter filter(frame);
    uint8_t header[13] = {};
    putBe32(header, frame.width);
    putBe32(header + 4, frame.height);
    header[8] = 8;
    header[9] = frame.pixelClass == PixelClass::Argb32 ? 6 : 2;  // RGBA or RGB
    if (std::fwrite(kSignature, 1, 8, stream) != 8 || !writeChunk(stream, "IHDR", header, sizeof header))
        return Win32Error;
    if (pixelsPerMetreX > 0 && pixelsPerMetreY > 0) {
        uint8_t density[9];
        putBe32(density, pixelsPerMetreX);
        putBe32(density + 4, pixelsPerMetreY);
        density[8] = 1;  // metres
        if (!writeChunk(stream, "pHYs", density, sizeof density)) return Win32Error;
    } else if (const PngAspect aspect = pngAspect(frame.meta); aspect.x > 0) {
        uint8_t density[9];
        putBe32(density, aspect.x);
        putBe32(density + 4, aspect.y);
        density[8] = 0;  // no unit: the pixels' aspect only
        if (!writeChunk(stream, "pHYs", density, sizeof density)) return Win32Error;
    }
    if (profileFits(frame.meta.iccProfile, false)) {
        const std::string& profile = frame.meta.iccProfile;
        static const char kName[] = "ICC profile";  // with its terminating zero; then deflate
        uLongf packedBytes = compressBound(static_cast<uLong>(profile.size()));
        std::vector<uint8_t> chunk(sizeof kName + 1 + packedBytes);
        std::memcpy(chunk.data(), kName, sizeof kName);
        chunk[sizeof kName] = 0;
        if (compress2(chunk.data() + sizeof kName + 1, &packedBytes, reinterpret_cast<const Bytef*>(profile.data()),
                      static_cast<uLong>(profile.size()), Z_BEST_COMPRESSION) != Z_OK)
            return GenericError;
        if (!writeChunk(stream, "iCCP", chunk.data(), sizeof kName + 1 + packedBytes)) return Win32Error;
    }
    const uint32_t rowsPerBand = static_cast<uint32_t>(
        std::clamp<size_t>(kBandBytes / filter.filteredRowBytes(), 1, frame.height));
    const uint32_t bands = (frame.height - 1) / rowsPerBand + 1;
    const uint32_t workers = std::max<uint32_t>(1, GdipWorkerCount());
    const uint32_t batch = workers * kBandsPerWorker;
    // The zlib header: deflate with a 32 KiB window, a middling level.
    const uint8_t zlibHeader[2] = {0x78, 0x5E};
    std::vector<uint8_t> idat(zlibHeader, zlibHeader + 2);
    uLong adler = 1;
    try {
        std::vector<Band> results(std::min(batch, bands));
        for (uint32_t first = 0; first < bands; first += batch) {
            const uint32_t count = std::min(batch, bands - first);
            const GpStatus status = runItemsInBands(count, workers, [&](size_t i) {
                const uint32_t band = first + static_cast<uint32_t>(i);
                const uint32_t y = band * rowsPerBand;
                return compressBand(filter, y, std::min(frame.height, y + rowsPerBand), band + 1 == bands, results[i]);
            });
            if (status != Ok) return status;
            for (uint32_t i = 0; i < count; ++i) {
                Band& band = results[i];
                adler = adler32_combine(adler, band.adler, static_cast<z_off_t>(band.bytes));
                idat.insert(idat.end(), band.packed.begin(), band.packed.end());
                band.packed = {};
                if (first + i + 1 == bands) {
                    uint8_t trailer[4];
                    putBe32(trailer, static_cast<uint32_t>(adler));
                    idat.insert(idat.end(), trailer, trailer + 4);
                }
                if (!writeChunk(stream, "IDAT", idat.data(), idat.size())) return Win32Error;
                idat.clear();
            }
        }
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
    return writeChunk(stream, "IEND", nullptr, 0) ? Ok : Win32Error;
}

}  // namespace gdip::codecs
