// libtiff's decoding of one stored strip, for the differential targets: the strip is written
// raw as the one strip of a page in a file in memory and read back through libtiff's codec.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct StripPage {
    uint32_t width;
    uint32_t height;
    uint16_t bitsPerSample;
    uint16_t photometric;
    uint16_t compression;
};

// The strip's decoded bytes in `out`; false when libtiff reports it damaged.
bool libtiffDecodeStrip(const uint8_t* stream, size_t streamSize, const StripPage& page,
                        std::vector<uint8_t>& out);
