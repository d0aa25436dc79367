#include "g4_strip.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <new>

#include <tiffio.h>

#include "../../parallel_bands.h"
#include "g4_codes.h"

namespace gdip::codecs {
namespace {

using namespace g4;

// Bits gathered in a register and stored 32 at a time into `out`, which reserve() has made
// long enough beforehand.
class BitWriter {
public:
    explicit BitWriter(std::vector<uint8_t>& out) : m_out(out), m_used(out.size()) {}
    void reserve(size_t bytes) {
        if (m_out.size() < m_used + bytes) m_out.resize(std::max(m_used + bytes, m_out.size() * 2));
    }
    void put(Code c) {
        m_pending = (m_pending << c.length) | c.bits;
        m_count += c.length;
        if (m_count >= 32) {
            m_count -= 32;
            const auto word = static_cast<uint32_t>(m_pending >> m_count);
            uint8_t* at = m_out.data() + m_used;
            at[0] = static_cast<uint8_t>(word >> 24);
            at[1] = static_cast<uint8_t>(word >> 16);
            at[2] = static_cast<uint8_t>(word >> 8);
            at[3] = static_cast<uint8_t>(word);
            m_used += 4;
        }
    }
    void putRun(uint32_t run, bool black) {
        const auto& makeUp = black ? kBlackMakeUp : kWhiteMakeUp;
        for (; run >= kLongestMakeUp + 64; run -= kLongestMakeUp) put(kSharedMakeUp.back());
        if (run >= 64) {
            const uint32_t step = run / 64 - 1;
            put(step < makeUp.size() ? makeUp[step] : kSharedMakeUp[step - makeUp.size()]);
            run %= 64;
        }
        put(black ? kBlackRuns[run] : kWhiteRuns[run]);
    }
    // Stores the whole bytes held and cuts `out` to what was written; the bits short of a
    // byte stay, left-aligned in partial().
    void finishBytes() {
        reserve(8);
        for (; m_count >= 8; m_count -= 8) m_out[m_used++] = static_cast<uint8_t>(m_pending >> (m_count - 8));
        m_out.resize(m_used);
    }
    uint8_t partial() const { return static_cast<uint8_t>(m_pending << (8 - m_count)); }
    uint32_t partialBits() const { return m_count; }

private:
    std::vector<uint8_t>& m_out;
    size_t m_used;
    uint64_t m_pending = 0;
    uint32_t m_count = 0;
};

// The places where a row's colour changes, counting an imaginary white pixel before the
// first, then `width` three times, so that looking two changes past any place stays inside.
void changesOf(const uint8_t* row, uint32_t width, std::vector<uint32_t>& changes) {
    changes.clear();
    uint64_t previousBit = 0;
    const size_t usedBytes = (size_t{width} + 7) / 8;
    for (size_t byte = 0; byte < usedBytes; byte += 8) {
        uint64_t word = 0;
        if (usedBytes - byte >= 8) {
            std::memcpy(&word, row + byte, 8);
            if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
        } else {
            for (size_t i = byte; i < usedBytes; ++i) word |= uint64_t{row[i]} << (56 - 8 * (i - byte));
        }
        const uint32_t base = static_cast<uint32_t>(byte * 8);
        if (width - base < 64) word &= ~uint64_t{0} << (64 - (width - base));  // padding bits count as white
        uint64_t edges = word ^ ((word >> 1) | (previousBit << 63));
        previousBit = word & 1;
        while (edges != 0) {
            const int at = std::countl_zero(edges);
            changes.push_back(base + static_cast<uint32_t>(at));
            edges &= ~(uint64_t{1} << (63 - at));
        }
    }
    // A row ending black has no change at its end; the sentinels stand for it.
    while (!changes.empty() && changes.back() >= width) changes.pop_back();
    changes.insert(changes.end(), 3, width);
}

// Codes one row against the row above it, both given as their changes.
void codeRow(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, uint32_t width, BitWriter& bits) {
    int64_t a0 = -1;
    uint32_t colour = 0;  // of the pixels from a0 on: 0 white, 1 black
    size_t ia = 0, ib = 0;
    while (a0 < static_cast<int64_t>(width)) {
        while (a[ia] <= a0) ++ia;
        while (b[ib] <= a0) ++ib;
        // Changes to black sit at even places of a change list, to white at odd ones; b1 is
        // the first change past a0 to the colour opposite a0's.
        const size_t jb = ib + ((ib & 1) != colour ? 1 : 0);
        const uint32_t a1 = a[ia], b1 = b[jb], b2 = b[jb + 1];
        if (b2 < a1) {
            bits.put(kPass);
            a0 = b2;
        } else if (const int64_t d = int64_t{a1} - b1; d >= -3 && d <= 3) {
            bits.put(kVertical[static_cast<size_t>(d + 3)]);
            a0 = a1;
            colour ^= 1;
        } else {
            const uint32_t a2 = a[ia + 1];
            bits.put(kHorizontal);
            bits.putRun(a1 - static_cast<uint32_t>(std::max<int64_t>(a0, 0)), colour != 0);
            bits.putRun(a2 - a1, colour == 0);
            a0 = a2;
        }
    }
}

struct BandStream {
    std::vector<uint8_t> bytes;  // whole bytes
    uint8_t partial = 0;         // then this many bits, left-aligned
    uint32_t partialBits = 0;
};

GpStatus codeBand(const uint8_t* rows, size_t lineBytes, uint32_t width, uint32_t first, uint32_t end,
                  BandStream& stream) {
    try {
        std::vector<uint32_t> above, current;
        if (first == 0)
            above.assign(3, width);  // the row above the page is white
        else
            changesOf(rows + (first - 1) * lineBytes, width, above);
        BitWriter bits(stream.bytes);
        for (uint32_t y = first; y < end; ++y) {
            changesOf(rows + y * lineBytes, width, current);
            // At most a mode and two runs of 25 bits for each change of either row.
            bits.reserve((current.size() + above.size()) * 8 + 16);
            codeRow(current, above, width, bits);
            std::swap(above, current);
        }
        bits.finishBytes();
        stream.partial = bits.partial();
        stream.partialBits = bits.partialBits();
        return Ok;
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
}

}  // namespace

GpStatus compressG4(const uint8_t* rows, size_t lineBytes, uint32_t width, uint32_t height,
                    std::vector<uint8_t>& out) {
    constexpr uint32_t kRowsPerBand = 512;
    const uint32_t bandCount =
        std::max<uint32_t>(1, std::min(GdipWorkerCount(), (height + kRowsPerBand - 1) / kRowsPerBand));
    std::vector<BandStream> bands(bandCount);
    const GpStatus status = runBands(bandCount, [&](size_t band) {
        const auto first = static_cast<uint32_t>(uint64_t{height} * band / bandCount);
        const auto end = static_cast<uint32_t>(uint64_t{height} * (band + 1) / bandCount);
        return codeBand(rows, lineBytes, width, first, end, bands[band]);
    });
    if (status != Ok) return status;
    try {
        size_t total = 8;
        for (const BandStream& band : bands) total += band.bytes.size() + 1;
        BitWriter joined(out);
        joined.reserve(total);
        for (const BandStream& band : bands) {
            const uint8_t* at = band.bytes.data();
            size_t left = band.bytes.size();
            for (; left >= 4; left -= 4, at += 4)
                joined.put({uint32_t{at[0]} << 24 | uint32_t{at[1]} << 16 | uint32_t{at[2]} << 8 | at[3], 32});
            for (; left > 0; --left, ++at) joined.put({*at, 8});
            if (band.partialBits > 0)
                joined.put({static_cast<uint32_t>(band.partial >> (8 - band.partialBits)), band.partialBits});
        }
        joined.put(kEndOfLine);
        joined.put(kEndOfLine);
        joined.finishBytes();
        if (joined.partialBits() > 0) out.push_back(joined.partial());
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
    return Ok;
}

GpStatus writeG4Strip(TIFF* tif, const uint8_t* rows, size_t lineBytes, uint32_t width, uint32_t height) {
    std::vector<uint8_t> stream;
    try {
        stream.reserve(size_t{height} * 8);
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
    if (const GpStatus status = compressG4(rows, lineBytes, width, height, stream); status != Ok) return status;
    uint16_t fillOrder = FILLORDER_MSB2LSB;
    TIFFGetFieldDefaulted(tif, TIFFTAG_FILLORDER, &fillOrder);
    if (fillOrder == FILLORDER_LSB2MSB) TIFFReverseBits(stream.data(), static_cast<tmsize_t>(stream.size()));
    return TIFFWriteRawStrip(tif, 0, stream.data(), static_cast<tmsize_t>(stream.size())) < 0 ? Win32Error : Ok;
}

}  // namespace gdip::codecs
