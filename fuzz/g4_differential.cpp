// Our Group 4 reader and coder against libtiff's fax codec, on one strip in memory. The
// first three bytes give the page's width and height; the rest is the stored stream.
// Whenever our reader takes a stream, libtiff must take it too and decode the same rows;
// our coder's stream of the same bytes taken as rows must read back exactly, through
// libtiff and through our reader. Any disagreement aborts.
#include <sys/mman.h>
#include <tiffio.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "imaging/platform/codecs/tiff/g4_reader.h"
#include "imaging/platform/codecs/tiff/g4_strip.h"

namespace {

struct Errors {
    bool failed = false;
};

int noteError(TIFF*, void* user, const char*, const char*, va_list) {
    static_cast<Errors*>(user)->failed = true;
    return 1;
}

int quietWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// libtiff's decoding of `stream` as the one strip of a bilevel page; false when libtiff
// reports the strip damaged.
bool libtiffDecode(const uint8_t* stream, size_t streamSize, uint32_t width, uint32_t height,
                   std::vector<uint8_t>& out) {
    const int fd = memfd_create("strip", MFD_CLOEXEC);
    if (fd < 0) std::abort();
    Errors errors;
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, noteError, &errors);
    TIFFOpenOptionsSetWarningHandlerExtR(options, quietWarning, nullptr);
    bool ok = false;
    if (TIFF* w = TIFFFdOpenExt(dup(fd), "", "w", options)) {
        TIFFSetField(w, TIFFTAG_IMAGEWIDTH, width);
        TIFFSetField(w, TIFFTAG_IMAGELENGTH, height);
        TIFFSetField(w, TIFFTAG_BITSPERSAMPLE, 1);
        TIFFSetField(w, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(w, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
        TIFFSetField(w, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
        TIFFSetField(w, TIFFTAG_ROWSPERSTRIP, height);
        ok = TIFFWriteRawStrip(w, 0, const_cast<uint8_t*>(stream), static_cast<tmsize_t>(streamSize)) >= 0 &&
             TIFFWriteDirectory(w);
        TIFFClose(w);
    }
    if (!ok) std::abort();  // writing a raw strip into memory cannot fail
    lseek(fd, 0, SEEK_SET);
    errors.failed = false;
    bool decoded = false;
    if (TIFF* r = TIFFFdOpenExt(dup(fd), "", "rm", options)) {
        const size_t bytes = (size_t{width} + 7) / 8 * height;
        out.assign(bytes, 0);
        const tmsize_t got = TIFFReadEncodedStrip(r, 0, out.data(), static_cast<tmsize_t>(bytes));
        decoded = got == static_cast<tmsize_t>(bytes) && !errors.failed;
        TIFFClose(r);
    }
    TIFFOpenOptionsFree(options);
    close(fd);
    return decoded;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    const uint32_t width = 1 + ((uint32_t{data[0]} << 8 | data[1]) % 3000);
    const uint32_t height = 1 + data[2] % 64;
    const uint8_t* stream = data + 3;
    const size_t streamSize = size - 3;
    const size_t lineBytes = (size_t{width} + 7) / 8;

    static gdip::codecs::G4Reader reader;
    std::vector<uint8_t> ours(lineBytes * height);
    if (reader.read(stream, streamSize, width, height, ours.data(), lineBytes)) {
        if (!reader.read(stream, streamSize, width, height, nullptr, 0)) std::abort();  // the walk disagrees
        std::vector<uint8_t> theirs;
        if (!libtiffDecode(stream, streamSize, width, height, theirs)) std::abort();  // ours took damaged data
        if (theirs != ours) std::abort();                                              // different rows
    }

    // Our coder, on the stream's bytes taken as rows (the bits past the width cleared).
    std::vector<uint8_t> rows(lineBytes * height, 0);
    std::memcpy(rows.data(), stream, std::min(rows.size(), streamSize));
    if (width % 8 != 0)
        for (uint32_t y = 0; y < height; ++y) rows[(y + 1) * lineBytes - 1] &= static_cast<uint8_t>(0xFF << (8 - width % 8));
    std::vector<uint8_t> packed;
    if (gdip::codecs::compressG4(rows.data(), lineBytes, width, height, packed) != gdip::Ok) std::abort();
    std::vector<uint8_t> back;
    if (!libtiffDecode(packed.data(), packed.size(), width, height, back) || back != rows) std::abort();
    if (!reader.read(packed.data(), packed.size(), width, height, ours.data(), lineBytes) || ours != rows) std::abort();
    return 0;
}
