#include "tiff_glue.h"

#include <cstdarg>
#include <cstdio>

#include "../image_limits.h"
#include "failure_reason.h"

namespace gdip::codecs {
namespace {

int onError(TIFF*, void* user, const char* module, const char* format, va_list args) {
    auto* errors = static_cast<TiffErrors*>(user);
    char text[512] = {};
    std::vsnprintf(text, sizeof text, format, args);
    errors->failed = true;
    errors->message = module && *module ? std::string(module) + ": " + text : std::string(text);
    noteFailureReason(errors->message);
    return 1;
}

// Warnings (unknown tags, odd but readable values) do not make a file unreadable.
int onWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

}  // namespace

TiffOptionsPtr tiffOpenOptions(TiffErrors& errors) {
    TiffOptionsPtr options(TIFFOpenOptionsAlloc());
    if (!options) return options;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(),
                                        static_cast<tmsize_t>(Limits::kMaxCodecAllocation));
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), &onError, &errors);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), &onWarning, &errors);
    return options;
}

}  // namespace gdip::codecs
