#include "jpeg_glue.h"

#include "failure_reason.h"

namespace gdip::codecs {
namespace {

void onMessage(j_common_ptr common, int level) {
    auto* manager = reinterpret_cast<JpegErrorManager*>(common->err);
    if (level < 0 && manager->onWarning) manager->onWarning(common);
}

}  // namespace

jpeg_error_mgr* installJpegErrors(JpegErrorManager& manager, void (*onWarning)(j_common_ptr)) {
    jpeg_error_mgr* errors = jpeg_std_error(&manager.pub);
    errors->error_exit = &jpegFail;
    errors->emit_message = &onMessage;
    manager.onWarning = onWarning;
    return errors;
}

void jpegFail(j_common_ptr common) {
    char text[JMSG_LENGTH_MAX] = {};
    common->err->format_message(common, text);
    noteFailureReason(text);
    std::longjmp(reinterpret_cast<JpegErrorManager*>(common->err)->jump, 1);
}

}  // namespace gdip::codecs
