// Our LZW strip reader and writer against libtiff's own LZW codec, on one strip in memory.
// The first two bytes give the strip's decoded size; the rest is the stored stream. Whenever
// our reader takes a stream, libtiff must take it too and decode the same bytes; our writer's
// stream of the same bytes must read back through libtiff exactly. Any disagreement aborts.
#include <sys/mman.h>
#include <tiffio.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "imaging/platform/codecs/tiff/lzw_strip.h"

namespace {

struct Errors {
    bool failed = false;
};

int noteError(TIFF*, void* user, const char*, const char*, va_list) {
    static_cast<Errors*>(user)->failed = true;
    return 1;
}

int quietWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// libtiff's decoding of `stream` as the one strip of a `size` x 1 grey page; false when
// libtiff reports the strip damaged or cannot hold it.
bool libtiffDecode(const uint8_t* stream, size_t streamSize, uint32_t size, std::vector<uint8_t>& out) {
    const int fd = memfd_create("strip", MFD_CLOEXEC);
    if (fd < 0) std::abort();
    Errors errors;
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, noteError, &errors);
    TIFFOpenOptionsSetWarningHandlerExtR(options, quietWarning, nullptr);
    bool ok = false;
    if (TIFF* w = TIFFFdOpenExt(dup(fd), "", "w", options)) {
        TIFFSetField(w, TIFFTAG_IMAGEWIDTH, size);
        TIFFSetField(w, TIFFTAG_IMAGELENGTH, 1);
        TIFFSetField(w, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(w, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(w, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        TIFFSetField(w, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
        TIFFSetField(w, TIFFTAG_ROWSPERSTRIP, 1);
        ok = TIFFWriteRawStrip(w, 0, const_cast<uint8_t*>(stream), static_cast<tmsize_t>(streamSize)) >= 0 &&
             TIFFWriteDirectory(w);
        TIFFClose(w);
    }
    if (!ok) std::abort();  // writing a raw strip into memory cannot fail
    lseek(fd, 0, SEEK_SET);
    errors.failed = false;
    bool decoded = false;
    if (TIFF* r = TIFFFdOpenExt(dup(fd), "", "rm", options)) {
        out.assign(size, 0);
        const tmsize_t got = TIFFReadEncodedStrip(r, 0, out.data(), static_cast<tmsize_t>(size));
        decoded = got == static_cast<tmsize_t>(size) && !errors.failed;
        TIFFClose(r);
    }
    TIFFOpenOptionsFree(options);
    close(fd);
    return decoded;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const uint32_t decodedSize = 1 + ((uint32_t{data[0]} << 8 | data[1]) % 16384);
    const uint8_t* stream = data + 2;
    const size_t streamSize = size - 2;

    static gdip::codecs::LzwStripReader reader;
    if (const uint8_t* ours = reader.read(stream, streamSize, decodedSize)) {
        std::vector<uint8_t> theirs;
        if (!libtiffDecode(stream, streamSize, decodedSize, theirs)) std::abort();  // ours took a damaged strip
        if (std::memcmp(ours, theirs.data(), decodedSize) != 0) std::abort();     // different bytes
    }

    // Our writer, on the stream's bytes taken as a strip's decoded bytes.
    std::vector<uint8_t> packed;
    gdip::codecs::compressLzwStrip(stream, streamSize, packed);
    std::vector<uint8_t> back;
    if (!libtiffDecode(packed.data(), packed.size(), static_cast<uint32_t>(streamSize), back)) std::abort();
    if (std::memcmp(back.data(), stream, streamSize) != 0) std::abort();
    return 0;
}
