#include "jpeg_picture.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

namespace orvelle {
namespace {

struct ErrorJump {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void jumpOut(j_common_ptr common) {
    std::longjmp(reinterpret_cast<ErrorJump*>(common->err)->jump, 1);
}

// Reads the header, sizes `out`, then reads every row into it. Nothing between setjmp and
// the library calls owns anything: `out` belongs to the caller and the temporary image made
// for it is gone before the next library call.
bool decodeInto(const unsigned char* data, unsigned long size, QImage* out) {
    jpeg_decompress_struct info{};
    ErrorJump error{};
    info.err = jpeg_std_error(&error.pub);
    error.pub.error_exit = &jumpOut;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, size);
    jpeg_read_header(&info, TRUE);
    if (info.image_width == 0 || info.image_height == 0 || info.image_width > 8192 ||
        info.image_height > 8192) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = JCS_EXT_BGRX;
    *out = QImage(static_cast<int>(info.image_width), static_cast<int>(info.image_height),
                  QImage::Format_RGB32);
    jpeg_start_decompress(&info);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out->scanLine(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

}  // namespace

QImage decodeJpeg(const QByteArray& bytes) {
    QImage image;
    if (bytes.isEmpty() ||
        !decodeInto(reinterpret_cast<const unsigned char*>(bytes.constData()),
                    static_cast<unsigned long>(bytes.size()), &image))
        return {};
    return image;
}

}  // namespace orvelle
