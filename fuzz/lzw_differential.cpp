// Our LZW strip reader and writer against libtiff's own LZW codec, on one strip in memory.
// The first two bytes give the strip's decoded size; the rest is the stored stream. Whenever
// our reader takes a stream, libtiff must take it too and decode the same bytes; our writer's
// stream of the same bytes must read back through libtiff exactly. Any disagreement aborts.
#include <tiffio.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "imaging/platform/codecs/tiff/lzw_strip.h"
#include "libtiff_strip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const uint32_t decodedSize = 1 + ((uint32_t{data[0]} << 8 | data[1]) % 16384);
    const uint8_t* stream = data + 2;
    const size_t streamSize = size - 2;

    static gdip::codecs::LzwStripReader reader;
    if (const uint8_t* ours = reader.read(stream, streamSize, decodedSize)) {
        std::vector<uint8_t> theirs;
        if (!libtiffDecodeStrip(stream, streamSize,
                                {decodedSize, 1, 8, PHOTOMETRIC_MINISBLACK, COMPRESSION_LZW},
                                theirs))
            std::abort();  // ours took a damaged strip
        if (std::memcmp(ours, theirs.data(), decodedSize) != 0) std::abort();  // different bytes
    }

    // Our writer, on the stream's bytes taken as a strip's decoded bytes.
    std::vector<uint8_t> packed;
    gdip::codecs::compressLzwStrip(stream, streamSize, packed);
    std::vector<uint8_t> back;
    if (!libtiffDecodeStrip(
            packed.data(), packed.size(),
            {static_cast<uint32_t>(streamSize), 1, 8, PHOTOMETRIC_MINISBLACK, COMPRESSION_LZW},
            back))
        std::abort();
    if (std::memcmp(back.data(), stream, streamSize) != 0) std::abort();
    return 0;
}
