#include "lzw_strip.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace gdip::codecs {
namespace {

constexpr uint32_t kClear = 256;
constexpr uint32_t kEndOfInformation = 257;
constexpr uint32_t kFirstFree = 258;
// The table is cleared one code before 12 bits run out, as TIFF's writers have always done.
constexpr uint32_t kTableFull = 4094;
constexpr uint32_t kMinBits = 9;

// Open addressing over (prefix code, next byte) → code, at most half full. Each slot holds
// the 20-bit key above the 12-bit code; prefix 4095 never occurs, so all ones marks a free slot.
class StringTable {
public:
    StringTable() { clear(); }
    void clear() { m_slots.fill(kFree); }

    // The code of `key` if present, else the slot where it belongs (as kMissing | slot).
    uint32_t find(uint32_t key, uint32_t& slot) const {
        slot = (key * 2654435761u) >> (32 - kSlotBits);
        for (;;) {
            const uint32_t held = m_slots[slot];
            if (held == kFree) return kMissing;
            if ((held >> 12) == key) return held & 0xFFF;
            slot = (slot + 1) & (kSlots - 1);
        }
    }
    void put(uint32_t slot, uint32_t key, uint32_t code) { m_slots[slot] = (key << 12) | code; }

    static constexpr uint32_t kMissing = 0xFFFFFFFF;

private:
    static constexpr uint32_t kSlotBits = 13;
    static constexpr uint32_t kSlots = 1u << kSlotBits;
    static constexpr uint32_t kFree = 0xFFFFFFFF;
    std::array<uint32_t, kSlots> m_slots;
};

// Codes go out most significant bit first, four whole bytes at a time, into room made for
// the most the strip can take: a byte pushed at a time cost a sixth of a merge of photographs.
class CodeWriter {
public:
    CodeWriter(std::vector<uint8_t>& out, size_t most) : m_out(out), m_start(out.size()) {
        m_out.resize(m_start + most + 8);
        m_next = m_out.data() + m_start;
    }
    void put(uint32_t code, uint32_t bits) {
        m_pending = (m_pending << bits) | code;
        m_count += bits;
        if (m_count >= 32) {
            m_count -= 32;
            auto word = static_cast<uint32_t>(m_pending >> m_count);
            if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap32(word);
            std::memcpy(m_next, &word, 4);
            m_next += 4;
        }
    }
    void finish() {
        while (m_count >= 8) {
            m_count -= 8;
            *m_next++ = static_cast<uint8_t>(m_pending >> m_count);
        }
        if (m_count > 0) *m_next++ = static_cast<uint8_t>(m_pending << (8 - m_count));
        m_count = 0;
        m_out.resize(static_cast<size_t>(m_next - m_out.data()));
    }

private:
    std::vector<uint8_t>& m_out;
    size_t m_start;
    uint8_t* m_next = nullptr;
    uint64_t m_pending = 0;
    uint32_t m_count = 0;
};

}  // namespace

void compressLzwStrip(const uint8_t* data, size_t size, std::vector<uint8_t>& out) {
    // Worst case: every byte a 12-bit code, plus the clears.
    CodeWriter writer(out, size + size / 2 + 16);
    uint32_t bits = kMinBits;
    writer.put(kClear, bits);
    if (size == 0) {
        writer.put(kEndOfInformation, bits);
        writer.finish();
        return;
    }
    StringTable table;
    uint32_t nextFree = kFirstFree;
    // After each new entry: clear when full, else widen once the next code no longer fits.
    const auto afterNewEntry = [&](bool clearTable) {
        if (nextFree == kTableFull) {
            writer.put(kClear, bits);
            if (clearTable) table.clear();
            nextFree = kFirstFree;
            bits = kMinBits;
        } else if (nextFree > (1u << bits) - 1) {
            ++bits;
        }
    };
    uint32_t prefix = data[0];
    for (size_t i = 1; i < size; ++i) {
        const uint32_t key = (prefix << 8) | data[i];
        uint32_t slot = 0;
        const uint32_t code = table.find(key, slot);
        if (code != StringTable::kMissing) {
            prefix = code;
            continue;
        }
        writer.put(prefix, bits);
        table.put(slot, key, nextFree++);
        prefix = data[i];
        afterNewEntry(true);
    }
    writer.put(prefix, bits);
    // Readers add an entry for the last code too before they read the end code.
    ++nextFree;
    afterNewEntry(false);
    writer.put(kEndOfInformation, bits);
    writer.finish();
}

namespace {

constexpr uint32_t kMaxBits = 12;
constexpr uint32_t kCodes = 1u << kMaxBits;
// Strings are copied in blocks of this many bytes, which may run past their end.
constexpr size_t kBlock = 16;

// The single-byte strings, one per value, lie before the decoded bytes in the reader's
// buffer, with room for a block read past the last.
constexpr size_t kLead = 256 + kBlock;

// A string of the table is a run of bytes already in the buffer (a string and the first
// byte of the next one are adjacent in the output), so an entry is only where that run
// starts and how long it is, and decoding any code, a single byte or a string, is one
// forward copy. Clear and end codes have length 0.
struct Entry {
    uint32_t start;
    uint32_t length;
};

uint64_t loadBigEndian64(const uint8_t* p) {
    uint64_t word = 0;
    std::memcpy(&word, p, sizeof word);
    if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
    return word;
}

// `length` bytes from `from` (earlier in the buffer) to `at`, cut short at `end`. Whole
// blocks while they fit: every byte they read is before the string's place or past the
// string, and bytes written past it are overwritten by the strings that follow.
inline void copyString(uint8_t* buffer, size_t at, size_t end, size_t from, size_t length) {
    uint8_t* to = buffer + at;
    const uint8_t* source = buffer + from;
    if (at + length + kBlock + 1 <= end) {
        for (size_t i = 0; i < length; i += kBlock) std::memmove(to + i, source + i, kBlock);
    } else {
        length = std::min(length, end - at);
        for (size_t i = 0; i < length; ++i) to[i] = source[i];
    }
}

// Decodes into buffer[kLead, end). One function with its state in locals: stores through
// the buffer's byte pointer may alias anything in memory, so state kept in an object would
// be reloaded after each one.
bool decodeStrip(const uint8_t* data, size_t size, uint8_t* buffer, size_t end) {
    std::array<Entry, kCodes> table;
    for (uint32_t i = 0; i < 256; ++i) table[i] = Entry{i, 1};
    table[kClear] = table[kEndOfInformation] = Entry{0, 0};

    // Codes come most significant bit first from a 64-bit reservoir, topped up to at least
    // 56 bits before each code while eight bytes of input remain.
    const uint8_t* in = data;
    const uint8_t* const inEnd = data + size;
    uint64_t reservoir = 0;
    uint32_t held = 0;
    uint32_t bits = kMinBits;
    uint32_t nextFree = kFirstFree;
    // The string before this code; length 0 right after a clear code (and at the start),
    // when the code must be a single byte and adds no entry.
    Entry previous{0, 0};
    bool cleared = false;  // the last code was a clear code
    size_t at = kLead;
    while (at < end) {
        if (inEnd - in >= 8) {
            reservoir |= loadBigEndian64(in) >> held;
            in += (63 - held) >> 3;
            held |= 56;
        } else {
            while (held <= 56 && in < inEnd) {
                reservoir |= uint64_t{*in++} << (56 - held);
                held += 8;
            }
            if (held < bits) return false;
        }
        const auto code = static_cast<uint32_t>(reservoir >> (64 - bits));
        reservoir <<= bits;
        held -= bits;

        // libtiff calls a stream that does not start with a clear code damaged: so do we.
        if (at == kLead && !cleared && code != kClear) return false;
        uint32_t length = 0;
        if (code < nextFree) {
            const Entry known = table[code];
            if (known.length == 0) {
                // An end code before the strip is full ends it short; two clear codes in a
                // row are left to readers with their own view of them.
                if (code == kEndOfInformation || cleared) return false;
                bits = kMinBits;
                nextFree = kFirstFree;
                previous.length = 0;
                cleared = true;
                continue;
            }
            copyString(buffer, at, end, known.start, known.length);
            length = known.length;
        } else if (code == nextFree && previous.length != 0) {
            // The code being defined right now: the previous string and its own first byte.
            copyString(buffer, at, end, previous.start, previous.length);
            if (at + previous.length < end) buffer[at + previous.length] = buffer[previous.start];
            length = previous.length + 1;
        } else {
            return false;
        }
        // The previous string and the first byte of this one become the next entry. Writers
        // clear the table before it is full; a stream that does not is left to other readers.
        if (previous.length != 0) {
            if (nextFree == kCodes) return false;
            table[nextFree++] = Entry{previous.start, previous.length + 1};
            // Readers widen one code early, as the writers do.
            if (nextFree >= (1u << bits) - 1 && bits < kMaxBits) ++bits;
        }
        previous = Entry{static_cast<uint32_t>(at), length};
        cleared = false;
        at += length;
    }
    return true;
}

}  // namespace

uint8_t* LzwStripReader::read(const uint8_t* data, size_t size, size_t outSize) {
    // Old-style streams (least significant bit first) begin with a zero byte.
    if (size < 2 || outSize == 0 || (data[0] == 0 && (data[1] & 1))) return nullptr;
    if (outSize > UINT32_MAX - kLead) return nullptr;
    if (m_buffer.size() < kLead + outSize) {
        m_buffer.resize(kLead + outSize);
        for (uint32_t i = 0; i < 256; ++i) m_buffer[i] = static_cast<uint8_t>(i);
    }
    if (!decodeStrip(data, size, m_buffer.data(), kLead + outSize)) return nullptr;
    return m_buffer.data() + kLead;
}

}  // namespace gdip::codecs
