#include "tiff_chain.h"

#include <unistd.h>

#include <algorithm>
#include <unordered_set>

#include "../byte_order.h"
#include "../file_handle.h"

namespace gdip::codecs {

ReadAt descriptorReader(int fd) {
    // A short read or a signal is not the end of the file.
    return [fd](uint64_t offset, uint8_t* buffer, size_t length) { return readFully(fd, offset, buffer, length); };
}

bool readTiffChain(const ReadAt& read, uint64_t fileSize, uint32_t maxDirectories,
                   TiffChain& chain) {
    chain = TiffChain{};
    uint8_t header[16] = {};
    if (!read(0, header, 8)) return false;
    if (header[0] != header[1] || (header[0] != 'I' && header[0] != 'M')) return false;
    chain.little = header[0] == 'I';
    const uint16_t version = readU16(header + 2, chain.little);
    uint64_t offset = 0;
    uint64_t headerSize = 8;
    if (version == 42) {
        offset = readU32(header + 4, chain.little);
    } else if (version == 43) {
        chain.bigTiff = true;
        headerSize = 16;
        if (!read(0, header, 16) || readU16(header + 4, chain.little) != 8) return false;
        offset = readU64(header + 8, chain.little);
    } else {
        return false;
    }
    const uint64_t countSize = chain.bigTiff ? 8 : 2;
    const uint64_t entrySize = chain.bigTiff ? 20 : 12;
    const uint64_t nextSize = chain.bigTiff ? 8 : 4;
    // NewSubfileType sorts first among the tags a page has; a few entries are enough to find it.
    constexpr uint64_t kEntriesLookedAt = 16;
    constexpr uint16_t kNewSubfileType = 254;
    std::unordered_set<uint64_t> seen;
    while (offset >= headerSize && offset < fileSize && chain.offsets.size() < maxDirectories &&
           seen.insert(offset).second) {
        chain.offsets.push_back(offset);
        uint8_t field[8] = {};
        if (!read(offset, field, countSize)) break;
        const uint64_t count = chain.bigTiff ? readU64(field, chain.little)
                                             : readU16(field, chain.little);
        // A count this large cannot fit in the file: the directory is damaged, and where
        // the next one starts is unknown.
        if (count > fileSize / entrySize) {
            chain.reduced.push_back(false);
            break;
        }
        uint8_t entries[kEntriesLookedAt * 20] = {};
        const uint64_t looked = std::min(count, kEntriesLookedAt);
        bool reduced = false;
        if (read(offset + countSize, entries, static_cast<size_t>(looked * entrySize))) {
            for (uint64_t e = 0; e < looked; ++e) {
                const uint8_t* entry = entries + e * entrySize;
                if (readU16(entry, chain.little) != kNewSubfileType) continue;
                const uint8_t* value = entry + (chain.bigTiff ? 12 : 8);
                // LONG as written; SHORT by some writers.
                const uint32_t kind = readU16(entry + 2, chain.little) == 3 ? readU16(value, chain.little)
                                                                             : readU32(value, chain.little);
                reduced = (kind & 1) != 0;
                break;
            }
        }
        chain.reduced.push_back(reduced);
        const uint64_t next = offset + countSize + count * entrySize;
        if (next > fileSize || !read(next, field, nextSize)) break;
        offset = chain.bigTiff ? readU64(field, chain.little) : readU32(field, chain.little);
    }
    chain.reduced.resize(chain.offsets.size(), false);
    return true;
}

std::vector<uint64_t> documentPages(const TiffChain& chain) {
    std::vector<uint64_t> pages;
    for (size_t i = 0; i < chain.offsets.size(); ++i)
        if (!chain.reduced[i]) pages.push_back(chain.offsets[i]);
    return pages.empty() ? chain.offsets : pages;
}

}  // namespace gdip::codecs
