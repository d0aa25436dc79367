// Baseline JPEG through libjpeg-turbo, 4:2:0 for colour, one component for grey pictures.
// libjpeg reports errors by longjmp, so its calls run in one C-style function.
#include <algorithm>
#include <cmath>
#include <functional>
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
    const PageMetadata* meta;  // the profile, written when it fits; the pixels' aspect
    // Row `y` in the input layout, asked for once each, in order.
    std::function<const unsigned char*(uint32_t y)> row;
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
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(job->row(info.next_scanline));
        jpeg_write_scanlines(&info, &row, 1);
    }
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
        if (frame.pixelClass == PixelClass::Rgb24) return writeRows(rowsOf(frame));
        // Grey and bilevel pages go out as one-component JPEG; an 8-bit rising grey palette
        // is already the samples.
        const bool indexed = frame.pixelClass == PixelClass::Indexed1 || frame.pixelClass == PixelClass::Indexed8;
        const unsigned indexBits = frame.pixelClass == PixelClass::Indexed1 ? 1 : 8;
        const PaletteShape shape = indexed ? paletteShape(frame.palette, indexBits) : PaletteShape::Colour;
        const bool grey = shape == PaletteShape::GreyRising || shape == PaletteShape::GreyFalling;
        JpegWriteJob job = jobFor(frame, grey ? 1 : 3, grey ? JCS_GRAYSCALE : JCS_EXT_BGR);
        const bool direct = (grey && indexBits == 8 && shape == PaletteShape::GreyRising) ||
                            frame.pixelClass == PixelClass::Argb32;
        if (frame.pixelClass == PixelClass::Argb32) {
            job.components = 4;
            job.space = JCS_EXT_BGRX;  // alpha is dropped, colours kept as stored
        }
        if (direct) {
            job.row = [&frame](uint32_t y) { return frame.row(y); };
            return writeJpeg(&job) ? Ok : Win32Error;
        }
        // Rows that are not already bytes of the target layout are converted as they go.
        std::vector<unsigned char> converted(size_t{frame.width} * job.components);
        std::vector<ARGB> line(frame.width);
        job.row = [&](uint32_t y) {
            readArgbRow(frame, y, 0, frame.width, line.data());
            unsigned char* out = converted.data();
            for (uint32_t x = 0; x < frame.width; ++x) {
                if (grey) {
                    out[x] = static_cast<unsigned char>(line[x]);
                    continue;
                }
                out[3 * x] = static_cast<unsigned char>(line[x]);
                out[3 * x + 1] = static_cast<unsigned char>(line[x] >> 8);
                out[3 * x + 2] = static_cast<unsigned char>(line[x] >> 16);
            }
            return static_cast<const unsigned char*>(out);
        };
        return writeJpeg(&job) ? Ok : Win32Error;
    }

    GpStatus writeRows(const PictureRows& rows) override {
        JpegWriteJob job = jobFor(*rows.header, 3, JCS_EXT_BGR);
        std::vector<uint8_t> scratch(rows.made() ? rows.header->stride : 0);
        job.row = [&](uint32_t y) { return rows.row(y, scratch.data()); };
        return writeJpeg(&job) ? Ok : Win32Error;
    }

private:
    JpegWriteJob jobFor(const Frame& header, int components, J_COLOR_SPACE space) const {
        return {stream(), header.width, header.height, components, space, m_quality,
                jfifDensity(header.dpiX), jfifDensity(header.dpiY), &header.meta, {}};
    }

    int m_quality;
};

}  // namespace

std::unique_ptr<Encoder> createJpegEncoder(std::FILE* stream, const EncodeOptions& options,
                                           GpStatus& status) {
    status = Ok;
    return std::make_unique<JpegEncoder>(stream, options);
}

}  // namespace gdip::codecs
