#include "libtiff_strip.h"

#include <sys/mman.h>
#include <tiffio.h>
#include <unistd.h>

#include <cstdlib>

namespace {

struct Errors {
    bool failed = false;
};

int noteError(TIFF*, void* user, const char*, const char*, va_list) {
    static_cast<Errors*>(user)->failed = true;
    return 1;
}

int quietWarning(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

}  // namespace

bool libtiffDecodeStrip(const uint8_t* stream, size_t streamSize, const StripPage& page,
                        std::vector<uint8_t>& out) {
    const int fd = memfd_create("strip", MFD_CLOEXEC);
    if (fd < 0) std::abort();
    Errors errors;
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, noteError, &errors);
    TIFFOpenOptionsSetWarningHandlerExtR(options, quietWarning, nullptr);
    bool ok = false;
    if (TIFF* w = TIFFFdOpenExt(dup(fd), "", "w", options)) {
        TIFFSetField(w, TIFFTAG_IMAGEWIDTH, page.width);
        TIFFSetField(w, TIFFTAG_IMAGELENGTH, page.height);
        TIFFSetField(w, TIFFTAG_BITSPERSAMPLE, page.bitsPerSample);
        TIFFSetField(w, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(w, TIFFTAG_PHOTOMETRIC, page.photometric);
        TIFFSetField(w, TIFFTAG_COMPRESSION, page.compression);
        TIFFSetField(w, TIFFTAG_ROWSPERSTRIP, page.height);
        ok = TIFFWriteRawStrip(w, 0, const_cast<uint8_t*>(stream),
                               static_cast<tmsize_t>(streamSize)) >= 0 &&
             TIFFWriteDirectory(w);
        TIFFClose(w);
    }
    if (!ok) std::abort();  // writing a raw strip into memory cannot fail
    lseek(fd, 0, SEEK_SET);
    errors.failed = false;
    bool decoded = false;
    if (TIFF* r = TIFFFdOpenExt(dup(fd), "", "rm", options)) {
        const size_t bytes = (size_t{page.width} * page.bitsPerSample + 7) / 8 * page.height;
        out.assign(bytes, 0);
        const tmsize_t got = TIFFReadEncodedStrip(r, 0, out.data(), static_cast<tmsize_t>(bytes));
        decoded = got == static_cast<tmsize_t>(bytes) && !errors.failed;
        TIFFClose(r);
    }
    TIFFOpenOptionsFree(options);
    close(fd);
    return decoded;
}
