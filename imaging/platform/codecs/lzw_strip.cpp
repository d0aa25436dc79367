#include "lzw_strip.h"

#include <array>

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

class CodeWriter {
public:
    explicit CodeWriter(std::vector<uint8_t>& out) : m_out(out) {}
    void put(uint32_t code, uint32_t bits) {
        m_pending = (m_pending << bits) | code;
        m_count += bits;
        while (m_count >= 8) {
            m_count -= 8;
            m_out.push_back(static_cast<uint8_t>(m_pending >> m_count));
        }
    }
    void finish() {
        if (m_count > 0) m_out.push_back(static_cast<uint8_t>(m_pending << (8 - m_count)));
        m_count = 0;
    }

private:
    std::vector<uint8_t>& m_out;
    uint64_t m_pending = 0;
    uint32_t m_count = 0;
};

}  // namespace

void compressLzwStrip(const uint8_t* data, size_t size, std::vector<uint8_t>& out) {
    // Worst case: every byte a 12-bit code, plus the clears.
    out.reserve(out.size() + size + size / 2 + 16);
    CodeWriter writer(out);
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

}  // namespace gdip::codecs
