// Baseline JPEG through libjpeg-turbo, 4:2:0 for colour, one component for grey pictures.
// libjpeg reports errors by longjmp, so its calls run in one C-style function.
#include <algorithm>
#include <cmath>
#include <vector>

#include "codec.h"
#include "jpeg_glue.h"
#include "palette_classes.h"

namespace gdip::codecs {
namespace {

struct JpegWriteJob {
    std::FILE* stream;
    JDIMENSION width;
    JDIMENSION height;
    int components;
    J_COLOR_SPACE space;
    int quality;
    int dpiX;
    int dpiY;
    unsigned char** rows;
    const PageMetadata* meta;  // the profile, written when it fits; the pixels' aspect
};

bool writeJpeg(const JpegWriteJob* job) {
    jpeg_compress_struct info{};
    JpegErrorManager error{};
    info.err = installJpegErrors(error);
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, job->stream);
    info.image_width = job->width;
    info.image_height = job->height;
    info.input_components = job->components;
    info.in_color_space = job->space;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, job->quality, TRUE);
    if (job->dpiX > 0 && job->dpiY > 0) {
        info.write_JFIF_header = TRUE;
        info.density_unit = 1;
        info.X_density = static_cast<UINT16>(job->dpiX);
        info.Y_density = static_cast<UINT16>(job->dpiY);
    } else if (job->meta->aspectX >= 1 && job->meta->aspectY >= 1 && job->meta->aspectX <= 65535 &&
               job->meta->aspectY <= 65535) {
        info.write_JFIF_header = TRUE;
        info.density_unit = 0;
        info.X_density = static_cast<UINT16>(job->meta->aspectX + 0.5);
        info.Y_density = static_cast<UINT16>(job->meta->aspectY + 0.5);
    }
    jpeg_start_compress(&info, TRUE);
    const std::string& profile = job->meta->iccProfile;
    if (profileFits(profile, job->components == 1))
        jpeg_write_icc_profile(&info, reinterpret_cast<const JOCTET*>(profile.data()),
                               static_cast<unsigned>(profile.size()));
    while (info.next_scanline < info.image_height)
        jpeg_write_scanlines(&info, &job->rows[info.next_scanline], 1);
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

int jfifDensity(double dpi) {
    if (dpi <= 0 || dpi > 65535) return 0;
    return static_cast<int>(std::lrint(dpi));
}

class JpegEncoder final : public SinglePictureEncoder {
public:
    JpegEncoder(std::FILE* stream, const EncodeOptions& options)
        : SinglePictureEncoder(stream), m_quality(std::clamp(options.quality, 0, 100)) {}

protected:
    GpStatus write(const Frame& frame) override {
        // Grey and bilevel pages go out as one-component JPEG; an 8-bit rising grey palette
        // is already the samples.
        const bool indexed = frame.pixelClass == PixelClass::Indexed1 || frame.pixelClass == PixelClass::Indexed8;
        const unsigned indexBits = frame.pixelClass == PixelClass::Indexed1 ? 1 : 8;
        const PaletteShape shape = indexed ? paletteShape(frame.palette, indexBits) : PaletteShape::Colour;
        const bool grey = shape == PaletteShape::GreyRising || shape == PaletteShape::GreyFalling;
        const int components = grey ? 1 : 3;
        JpegWriteJob job{stream(), frame.width, frame.height, components,
                         grey ? JCS_GRAYSCALE : JCS_EXT_BGR, m_quality,
                         jfifDensity(frame.dpiX), jfifDensity(frame.dpiY), nullptr, &frame.meta};
        // Rows that are not already bytes of the target layout are converted up front.
        std::vector<unsigned char> converted;
        std::vector<unsigned char*> rows(frame.height);
        const bool direct = (grey && indexBits == 8 && shape == PaletteShape::GreyRising) ||
                            frame.pixelClass == PixelClass::Rgb24 || frame.pixelClass == PixelClass::Argb32;
        if (frame.pixelClass == PixelClass::Argb32) {
            job.components = 4;
            job.space = JCS_EXT_BGRX;  // alpha is dropped, colours kept as stored
        }
        if (direct) {
            for (uint32_t y = 0; y < frame.height; ++y)
                rows[y] = const_cast<unsigned char*>(frame.row(y));
        } else {
            converted.resize(size_t{frame.width} * components * frame.height);
            std::vector<ARGB> line(frame.width);
            for (uint32_t y = 0; y < frame.height; ++y) {
                readArgbRow(frame, y, 0, frame.width, line.data());
                unsigned char* out = &converted[size_t{y} * frame.width * components];
                for (uint32_t x = 0; x < frame.width; ++x) {
                    if (grey) {
                        out[x] = static_cast<unsigned char>(line[x]);
                        continue;
                    }
                    out[3 * x] = static_cast<unsigned char>(line[x]);
                    out[3 * x + 1] = static_cast<unsigned char>(line[x] >> 8);
                    out[3 * x + 2] = static_cast<unsigned char>(line[x] >> 16);
                }
                rows[y] = out;
            }
        }
        job.rows = rows.data();
        return writeJpeg(&job) ? Ok : Win32Error;
    }

private:
    int m_quality;
};

}  // namespace

std::unique_ptr<Encoder> createJpegEncoder(std::FILE* stream, const EncodeOptions& options,
                                           GpStatus& status) {
    status = Ok;
    return std::make_unique<JpegEncoder>(stream, options);
}

}  // namespace gdip::codecs
