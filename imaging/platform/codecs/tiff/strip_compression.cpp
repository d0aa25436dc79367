#include "strip_compression.h"

#include <zlib.h>

#include "../deflate_buffer.h"
#include "lzw_strip.h"

namespace gdip::codecs {

GpStatus compressStrip(StripCoding coding, const uint8_t* data, size_t size, std::vector<uint8_t>& out) {
    if (coding == StripCoding::Lzw) {
        compressLzwStrip(data, size, out);
        return Ok;
    }
    return deflateBuffer(data, size, Z_DEFAULT_COMPRESSION, out);
}

void differenceRows(uint8_t* rows, uint32_t rowCount, size_t lineBytes, uint32_t samplesPerPixel) {
    for (uint32_t r = 0; r < rowCount; ++r) {
        uint8_t* row = rows + r * lineBytes;
        for (size_t i = lineBytes; i-- > samplesPerPixel;)
            row[i] = static_cast<uint8_t>(row[i] - row[i - samplesPerPixel]);
    }
}

void accumulateRows(uint8_t* rows, uint32_t rowCount, size_t lineBytes, uint32_t samplesPerPixel) {
    for (uint32_t r = 0; r < rowCount; ++r) {
        uint8_t* row = rows + r * lineBytes;
        for (size_t i = samplesPerPixel; i < lineBytes; ++i)
            row[i] = static_cast<uint8_t>(row[i] + row[i - samplesPerPixel]);
    }
}

}  // namespace gdip::codecs
