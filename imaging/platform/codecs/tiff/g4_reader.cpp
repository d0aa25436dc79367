#include "g4_reader.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#include "g4_codes.h"

namespace gdip::codecs {
namespace {

using namespace g4;

// What the next bits of the data mean, looked up by as many bits as the longest code.
struct Entry {
    uint16_t value = 0;  // a run's length, or a mode (below)
    uint8_t length = 0;  // 0: no code starts with these bits
};

enum Mode : uint16_t { kModePass = 0, kModeHorizontal = 1, kModeVertical = 2 /* + 3 + (a1 - b1) */ };

constexpr int kModeBits = 7;
constexpr int kWhiteBits = 12;
constexpr int kBlackBits = 13;

template <size_t Bits>
struct Table {
    std::array<Entry, size_t{1} << Bits> entries{};
    void add(Code c, uint16_t value) {
        const uint32_t first = c.bits << (Bits - c.length);
        for (uint32_t i = 0; i < (1u << (Bits - c.length)); ++i)
            entries[first + i] = Entry{value, static_cast<uint8_t>(c.length)};
    }
};

struct Tables {
    Table<kModeBits> modes;
    Table<kWhiteBits> white;
    Table<kBlackBits> black;
    Tables() {
        modes.add(kPass, kModePass);
        modes.add(kHorizontal, kModeHorizontal);
        for (uint16_t i = 0; i < kVertical.size(); ++i) modes.add(kVertical[i], static_cast<uint16_t>(kModeVertical + i));
        for (uint16_t run = 0; run < 64; ++run) {
            white.add(kWhiteRuns[run], run);
            black.add(kBlackRuns[run], run);
        }
        for (uint16_t i = 0; i < kWhiteMakeUp.size(); ++i) {
            white.add(kWhiteMakeUp[i], static_cast<uint16_t>((i + 1) * 64));
            black.add(kBlackMakeUp[i], static_cast<uint16_t>((i + 1) * 64));
        }
        for (uint16_t i = 0; i < kSharedMakeUp.size(); ++i) {
            const auto run = static_cast<uint16_t>((kWhiteMakeUp.size() + i + 1) * 64);
            white.add(kSharedMakeUp[i], run);
            black.add(kSharedMakeUp[i], run);
        }
    }
};

const Tables& tables() {
    static const Tables built;
    return built;
}

class BitReader {
public:
    // Reading from bit `bit` of the data (at most its length in bits).
    BitReader(const uint8_t* data, size_t size, uint64_t bit = 0)
        : m_start(data), m_next(data + bit / 8), m_end(data + size) {
        refill();
        skip(static_cast<uint32_t>(bit % 8));
    }

    template <size_t Bits>
    const Entry& look(const Table<Bits>& table) {
        if (m_count < 32) refill();
        return table.entries[m_bits >> (64 - Bits)];
    }
    void skip(uint32_t bits) {
        m_bits <<= bits;
        m_count -= static_cast<int>(bits);
    }
    // Whether the codes read so far took bits past the data's end (read as 0 bits).
    bool overran() const { return m_count < m_padding; }
    // The bits taken so far, counted from the data's start.
    uint64_t position() const { return 8 * static_cast<uint64_t>(m_next - m_start) + m_padding - m_count; }

private:
    void refill() {
        // Whole bytes fit below the bits held: as many as there is room for, at once when
        // the data has them.
        const int room = (64 - m_count) / 8;
        if (m_end - m_next >= 8) {
            uint64_t word;
            std::memcpy(&word, m_next, 8);
            if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
            m_bits |= (word >> (8 * (8 - room))) << (64 - m_count - 8 * room);
            m_next += room;
            m_count += 8 * room;
            return;
        }
        while (m_count <= 56) {
            uint64_t byte = 0;
            if (m_next < m_end)
                byte = *m_next++;
            else
                m_padding += 8;
            m_bits |= byte << (56 - m_count);
            m_count += 8;
        }
    }
    const uint8_t* m_start;
    const uint8_t* m_next;
    const uint8_t* m_end;
    uint64_t m_bits = 0;
    int m_count = 0;    // bits held in m_bits, from its top
    int m_padding = 0;  // of them, how many are past the data's end
};

// The length of one run: make-up codes, then a terminating code. 0xFFFFFFFF when the bits
// are no run of that colour.
template <size_t Bits>
uint32_t readRun(BitReader& bits, const Table<Bits>& table, uint32_t width) {
    uint32_t run = 0;
    for (;;) {
        const Entry& e = bits.look(table);
        if (e.length == 0) return UINT32_MAX;
        bits.skip(e.length);
        run += e.value;
        if (e.value < 64) return run;
        if (run > width) return UINT32_MAX;
    }
}

// Reads one row's changes into `a`, given the row above's in `b` (both ending in three
// copies of the width, as the coder's lists do; `a` has room for width + 3). The number of
// changes, or -1 when the data is declined.
int64_t readRow(BitReader& bits, const Tables& t, const uint32_t* b, uint32_t width, uint32_t* a) {
    uint32_t* next = a;
    int64_t a0 = -1;
    uint32_t colour = 0;
    size_t ib = 0;
    // A change is kept when it lies inside the row and after the last one kept.
    const auto keep = [&](uint32_t at) {
        if (at >= width) return true;
        if (next != a && at <= next[-1]) return false;
        *next++ = at;
        return true;
    };
    while (a0 < static_cast<int64_t>(width)) {
        while (b[ib] <= a0) ++ib;
        const size_t jb = ib + ((ib & 1) != colour ? 1 : 0);
        const uint32_t b1 = b[jb], b2 = b[jb + 1];
        const Entry& mode = bits.look(t.modes);
        if (mode.length == 0) return -1;  // uncompressed mode, a line end, or no code
        bits.skip(mode.length);
        if (mode.value >= kModeVertical) {
            const int64_t a1 = int64_t{b1} + (mode.value - kModeVertical) - 3;
            if (a1 <= a0 || a1 > width || !keep(static_cast<uint32_t>(a1))) return -1;
            a0 = a1;
            colour ^= 1;
        } else if (mode.value == kModePass) {
            if (b2 >= width) return -1;
            a0 = b2;
        } else {
            const auto start = static_cast<uint32_t>(std::max<int64_t>(a0, 0));
            const uint32_t first = colour == 0 ? readRun(bits, t.white, width) : readRun(bits, t.black, width);
            if (first == UINT32_MAX) return -1;
            const uint32_t second = colour == 0 ? readRun(bits, t.black, width) : readRun(bits, t.white, width);
            if (second == UINT32_MAX || uint64_t{start} + first + second > width) return -1;
            const uint32_t a1 = start + first, a2 = a1 + second;
            if (!keep(a1) || (a2 == a1 && a2 < width) || !keep(a2)) return -1;
            a0 = a2;
        }
    }
    // Bits past the data's end read as 0, and every code has a 1 bit: data that ends too
    // soon fails on its next code, or here when it ends inside the row's last one.
    if (a0 != static_cast<int64_t>(width) || bits.overran()) return -1;
    const int64_t changes = next - a;
    next[0] = next[1] = next[2] = width;
    return changes;
}

// A drawn row's colour changes, as readRow lists them.
void changesOf(const uint8_t* row, uint32_t width, std::vector<uint32_t>& changes) {
    changes.clear();
    uint32_t colour = 0;
    for (uint32_t x = 0; x < width;) {
        const uint8_t byte = row[x / 8];
        // Bytes all of the current colour are passed whole.
        if ((x & 7) == 0 && byte == (colour ? 0xFF : 0x00) && x + 8 <= width) {
            x += 8;
            continue;
        }
        if (((byte >> (7 - (x & 7))) & 1u) != colour) {
            changes.push_back(x);
            colour ^= 1;
        }
        ++x;
    }
    changes.resize(changes.size() + 3, width);
}

}  // namespace

template <typename Take>
bool G4Reader::walk(const uint8_t* data, size_t size, uint32_t width, const G4Mark* from, uint32_t height,
                    Take&& take) {
    const Tables& t = tables();
    if (from && (from->bit > uint64_t{size} * 8 || from->above.size() < (size_t{width} + 7) / 8)) return false;
    BitReader bits(data, size, from ? from->bit : 0);
    try {
        if (from) {
            changesOf(from->above.data(), width, m_above);
            m_above.resize(size_t{width} + 3, width);
        } else {
            m_above.assign(size_t{width} + 3, width);
        }
        m_current.resize(size_t{width} + 3);
        m_marks.assign(size_t{width} / 64 + 1, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (uint32_t y = 0; y < height; ++y) {
        const int64_t changes = readRow(bits, t, m_above.data(), width, m_current.data());
        if (changes < 0) return false;
        take(y, m_current.data(), changes, bits.position());
        std::swap(m_above, m_current);
    }
    return true;
}

namespace {

// The pixels of eight bytes of a row, most significant bit first, from the colour changes
// marked in them (a 1 bit where a change lies) and the colour before them (`carry`, 0 or 1):
// each pixel is the parity of the changes up to it. `carry` becomes the last pixel's colour.
uint64_t coloursOf(uint64_t marks, uint64_t& carry) {
    marks ^= marks >> 1;
    marks ^= marks >> 2;
    marks ^= marks >> 4;
    marks ^= marks >> 8;
    marks ^= marks >> 16;
    marks ^= marks >> 32;
    marks ^= uint64_t{0} - carry;
    carry = marks & 1;
    return marks;
}

// A row of `width` pixels, zeroed to `lineBytes`, its black runs set from its colour changes.
// Each change is marked as one bit of `marks` (room for the row's words, all zero, and left
// so) and the colours follow from the marks a word at a time, which costs far less than
// filling runs one by one: a fax row has dozens of short ones.
void drawRow(uint8_t* row, size_t lineBytes, uint32_t width, const uint32_t* changes, int64_t count,
             uint64_t* marks) {
    for (int64_t i = 0; i < count; ++i) {
        const uint32_t at = changes[static_cast<size_t>(i)];
        marks[at / 64] ^= uint64_t{1} << (63 - at % 64);
    }
    const size_t used = (size_t{width} + 7) / 8;
    uint64_t carry = 0;
    size_t word = 0;
    for (; word * 8 + 8 <= used; ++word) {
        uint64_t colours = coloursOf(marks[word], carry);
        marks[word] = 0;
        if constexpr (std::endian::native == std::endian::little) colours = __builtin_bswap64(colours);
        std::memcpy(row + word * 8, &colours, 8);
    }
    if (word * 8 < used) {
        uint64_t colours = coloursOf(marks[word], carry);
        marks[word] = 0;
        if constexpr (std::endian::native == std::endian::little) colours = __builtin_bswap64(colours);
        uint8_t tail[8];
        std::memcpy(tail, &colours, 8);
        std::memcpy(row + word * 8, tail, used - word * 8);
    }
    // The bits past the width stay clear, and so do the bytes past them.
    if (width % 8 != 0) row[used - 1] &= static_cast<uint8_t>(0xFF00u >> (width % 8));
    if (lineBytes > used) std::memset(row + used, 0, lineBytes - used);
}

}  // namespace

bool G4Reader::read(const uint8_t* data, size_t size, uint32_t width, uint32_t height, uint8_t* rows,
                    size_t lineBytes) {
    if (width == 0 || (rows && lineBytes < (size_t{width} + 7) / 8)) return false;
    return walk(data, size, width, nullptr, height, [&](uint32_t y, const uint32_t* changes, int64_t count, uint64_t) {
        if (rows) drawRow(rows + size_t{y} * lineBytes, lineBytes, width, changes, count, m_marks.data());
    });
}

bool G4Reader::read(const uint8_t* data, size_t size, uint32_t width, uint32_t height, const RowSink& sink) {
    return readFrom(data, size, width, G4Mark{}, 0, height, sink);
}

bool G4Reader::readFrom(const uint8_t* data, size_t size, uint32_t width, const G4Mark& from, uint32_t first,
                        uint32_t count, const RowSink& sink) {
    if (width == 0) return false;
    const size_t lineBytes = (size_t{width} + 7) / 8;
    std::vector<uint8_t> line;
    try {
        line.resize(lineBytes);
    } catch (const std::bad_alloc&) {
        return false;
    }
    // The data's start has no row above: the mark that stands for it is empty.
    const G4Mark* start = from.bit == 0 && from.above.empty() ? nullptr : &from;
    return walk(data, size, width, start, count, [&](uint32_t y, const uint32_t* changes, int64_t n, uint64_t) {
        drawRow(line.data(), lineBytes, width, changes, n, m_marks.data());
        sink(line.data(), first + y);
    });
}

bool G4Reader::mark(const uint8_t* data, size_t size, uint32_t width, uint32_t height, uint32_t every,
                    std::vector<G4Mark>& marks) {
    marks.clear();
    if (width == 0 || every == 0) return false;
    const size_t lineBytes = (size_t{width} + 7) / 8;
    try {
        marks.reserve((height - 1) / every + 1);
        marks.emplace_back();
        return walk(data, size, width, nullptr, height, [&](uint32_t y, const uint32_t* changes, int64_t n, uint64_t bit) {
            if ((y + 1) % every != 0 || y + 1 == height) return;
            G4Mark& next = marks.emplace_back();
            next.bit = bit;
            next.above.resize(lineBytes);
            drawRow(next.above.data(), lineBytes, width, changes, n, m_marks.data());
        });
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace gdip::codecs
