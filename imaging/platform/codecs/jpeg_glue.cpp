#include "jpeg_glue.h"

namespace gdip::codecs {
namespace {

void onMessage(j_common_ptr common, int level) {
    auto* manager = reinterpret_cast<JpegErrorManager*>(common->err);
    if (level < 0 && manager->onWarning) manager->onWarning(common);
}

}  // namespace

jpeg_error_mgr* installJpegErrors(JpegErrorManager& manager, void (*onWarning)(j_common_ptr),
                                  FailureNote* failure) {
    jpeg_error_mgr* errors = jpeg_std_error(&manager.pub);
    errors->error_exit = &jpegFail;
    errors->emit_message = &onMessage;
    manager.onWarning = onWarning;
    manager.failure = failure;
    return errors;
}

void jpegFail(j_common_ptr common) {
    char text[JMSG_LENGTH_MAX] = {};
    common->err->format_message(common, text);
    auto* manager = reinterpret_cast<JpegErrorManager*>(common->err);
    if (manager->failure) manager->failure->note(text);
    std::longjmp(manager->jump, 1);
}

}  // namespace gdip::codecs
