// Files made byte by byte, for inputs that no library would write: hostile headers, sizes
// that lie, data that stops early.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace fixtures {

void putLe16(std::vector<uint8_t>& bytes, size_t at, uint16_t value);
void putLe32(std::vector<uint8_t>& bytes, size_t at, uint32_t value);
void putBe16(std::vector<uint8_t>& bytes, size_t at, uint16_t value);

// A little-endian TIFF with one directory of (tag, type, value) entries, each of count 1,
// whose next-directory pointer is `next`; 64 zero bytes follow the directory.
std::vector<uint8_t> tiffWithEntries(const std::vector<std::array<uint32_t, 3>>& entries,
                                     uint32_t next = 0);

// A PDF written by hand from its objects (numbered from 1, the first the catalogue), with
// its cross-reference table counted out.
std::string handMadePdf(const std::vector<std::string>& objects);

// One PNG chunk with its length and CRC.
std::vector<uint8_t> pngChunk(const std::string& type, const std::vector<uint8_t>& data);

}  // namespace fixtures
