// libjpeg's error handling for the decoder and the encoder alike: errors longjmp back to the
// setjmp of the small C-style function that made the library call (no C++ object may live
// between the two), with the library's message kept as the failure reason.
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include "failure_reason.h"

namespace gdip::codecs {

struct JpegErrorManager {
    jpeg_error_mgr pub;  // first, so that the library's `err` pointer leads back here
    std::jmp_buf jump;
    void (*onWarning)(j_common_ptr common);
    FailureNote* failure;  // where the message goes; null when nobody asks
};

// Fills `manager` and returns what goes into the struct's `err`. Warnings go to
// `onWarning`, which may itself call jpegFail to make one fatal; null ignores them.
jpeg_error_mgr* installJpegErrors(JpegErrorManager& manager, void (*onWarning)(j_common_ptr common) = nullptr,
                                  FailureNote* failure = nullptr);

// Notes the current message and jumps back to the manager's setjmp.
[[noreturn]] void jpegFail(j_common_ptr common);

}  // namespace gdip::codecs
