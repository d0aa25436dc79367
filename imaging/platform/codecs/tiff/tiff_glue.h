// What every libtiff handle of the back end needs: one owner, and error handlers of its own
// (never the process-wide ones) that record what went wrong for that handle.
#pragma once

#include <tiffio.h>

#include <cstdint>
#include <memory>
#include <string>

#include "../failure_reason.h"

namespace gdip::codecs {

struct TiffCloser {
    void operator()(TIFF* tif) const {
        if (tif) TIFFClose(tif);
    }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

// Errors of one handle. Callers clear `failed` before a call and test it after: libtiff
// reports some failures only through the handler.
struct TiffErrors {
    bool failed = false;
    std::string message;  // the last one, as libtiff worded it
    FailureNote reason;   // the first one since it was cleared
};

struct TiffOptionsDeleter {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};
using TiffOptionsPtr = std::unique_ptr<TIFFOpenOptions, TiffOptionsDeleter>;

// Open options that send errors and warnings to `errors` (which must outlive the handle)
// and cap any single allocation inside libtiff. Null when out of memory.
TiffOptionsPtr tiffOpenOptions(TiffErrors& errors);

// A further read-only handle on the TIFF open on `fd`, reading with pread at an offset of its
// own, so that it never moves the position of another handle on the same descriptor. It
// reads the header only and does not own `fd`, which must outlive it. Null on failure.
TiffPtr openSharedTiffReader(int fd, TiffErrors& errors);

}  // namespace gdip::codecs
