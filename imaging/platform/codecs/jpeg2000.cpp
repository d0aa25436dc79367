#include "jpeg2000.h"

#include <openjpeg.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "../image_limits.h"

namespace gdip::codecs {
namespace {

struct CodecFree {
    void operator()(opj_codec_t* codec) const { opj_destroy_codec(codec); }
};
struct StreamFree {
    void operator()(opj_stream_t* stream) const { opj_stream_destroy(stream); }
};
struct ImageFree {
    void operator()(opj_image_t* image) const { opj_image_destroy(image); }
};

// OpenJPEG keeps every component whole as 32-bit samples while it decodes: a picture is
// refused from its header when those would pass this, whatever its pixels would take after.
constexpr uint64_t kMaxSampleBytes = uint64_t{1} << 30;

// The bytes the stream reads from, and how far it has read.
struct Bytes {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
};

OPJ_SIZE_T readBytes(void* out, OPJ_SIZE_T want, void* user) {
    auto* bytes = static_cast<Bytes*>(user);
    const size_t n = std::min<size_t>(want, bytes->size - bytes->at);
    if (n == 0) return static_cast<OPJ_SIZE_T>(-1);
    std::memcpy(out, bytes->data + bytes->at, n);
    bytes->at += n;
    return n;
}

OPJ_OFF_T skipBytes(OPJ_OFF_T by, void* user) {
    auto* bytes = static_cast<Bytes*>(user);
    if (by < 0 && size_t(-by) > bytes->at) return -1;
    const size_t to = by < 0 ? bytes->at - size_t(-by) : std::min(bytes->size, bytes->at + size_t(by));
    const OPJ_OFF_T moved = OPJ_OFF_T(to) - OPJ_OFF_T(bytes->at);
    bytes->at = to;
    return moved;
}

OPJ_BOOL seekBytes(OPJ_OFF_T to, void* user) {
    auto* bytes = static_cast<Bytes*>(user);
    if (to < 0 || size_t(to) > bytes->size) return OPJ_FALSE;
    bytes->at = size_t(to);
    return OPJ_TRUE;
}

// OpenJPEG's last complaint, kept as the reason of a failure.
void noteError(const char* message, void* user) {
    auto* last = static_cast<std::string*>(user);
    *last = message;
    while (!last->empty() && (last->back() == '\n' || last->back() == ' ')) last->pop_back();
}
void ignore(const char*, void*) {}

bool isJp2(const uint8_t* data, size_t size) {
    static const uint8_t kSignature[] = {0, 0, 0, 12, 'j', 'P', ' ', ' ', 13, 10, 0x87, 10};
    return size >= sizeof kSignature && std::memcmp(data, kSignature, sizeof kSignature) == 0;
}

// One sample brought to 8 bits.
uint8_t eightBits(const opj_image_comp_t& comp, OPJ_INT32 v) {
    if (comp.sgnd) v += 1 << (comp.prec - 1);
    const int top = (1 << comp.prec) - 1;
    v = std::clamp(v, 0, top);
    return comp.prec >= 8 ? uint8_t(v >> (comp.prec - 8)) : uint8_t(v * 255 / top);
}

uint8_t clampByte(double v) { return uint8_t(std::clamp(v + 0.5, 0.0, 255.0)); }

// Copies the decoded components into `frame`, each sampled where the frame's pixel lies (a
// component may be stored at half size, as YCC pictures often are).
void fillFrame(const opj_image_t& image, Frame& frame) {
    const uint32_t colours = image.numcomps >= 3 ? 3 : 1;
    const bool alpha = image.numcomps == 2 || image.numcomps >= 4;
    const bool ycc = image.color_space == OPJ_CLRSPC_SYCC && colours == 3;
    const bool cmyk = image.color_space == OPJ_CLRSPC_CMYK && image.numcomps >= 4;
    auto sample = [&](uint32_t c, uint32_t x, uint32_t y) {
        const opj_image_comp_t& comp = image.comps[c];
        const uint32_t cx = std::min<uint32_t>(comp.w - 1, uint64_t(x) * comp.w / frame.width);
        const uint32_t cy = std::min<uint32_t>(comp.h - 1, uint64_t(y) * comp.h / frame.height);
        return eightBits(comp, comp.data[size_t(cy) * comp.w + cx]);
    };
    for (uint32_t y = 0; y < frame.height; ++y) {
        uint8_t* row = frame.row(y);
        for (uint32_t x = 0; x < frame.width; ++x) {
            if (colours == 1 && !alpha) {
                row[x] = sample(0, x, y);
                continue;
            }
            uint8_t r = sample(0, x, y), g = r, b = r, a = 255;
            if (colours == 3) g = sample(1, x, y), b = sample(2, x, y);
            if (ycc) {
                const double yy = r, cb = g - 128.0, cr = b - 128.0;
                r = clampByte(yy + 1.402 * cr), g = clampByte(yy - 0.344136 * cb - 0.714136 * cr), b = clampByte(yy + 1.772 * cb);
            }
            if (cmyk) {
                const int k = 255 - sample(3, x, y);
                r = uint8_t((255 - r) * k / 255), g = uint8_t((255 - g) * k / 255), b = uint8_t((255 - b) * k / 255);
            } else if (alpha) {
                a = sample(colours == 1 ? 1 : 3, x, y);
            }
            if (alpha && !cmyk) {
                reinterpret_cast<uint32_t*>(row)[x] = uint32_t(a) << 24 | uint32_t(r) << 16 | uint32_t(g) << 8 | b;
            } else {
                row[x * 3] = b, row[x * 3 + 1] = g, row[x * 3 + 2] = r;
            }
        }
    }
}

GpStatus fail(Frame& frame, GpStatus status, std::string why) {
    frame = Frame{};
    frame.failure = std::move(why);
    return status;
}

}  // namespace

GpStatus decodeJpeg2000(const uint8_t* data, size_t size, Frame& frame) {
    frame = Frame{};
    Bytes bytes{data, size};
    std::unique_ptr<opj_codec_t, CodecFree> codec(opj_create_decompress(isJp2(data, size) ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
    std::unique_ptr<opj_stream_t, StreamFree> stream(opj_stream_create(64 * 1024, OPJ_TRUE));
    if (!codec || !stream) return OutOfMemory;
    std::string error;
    opj_set_error_handler(codec.get(), noteError, &error);
    opj_set_warning_handler(codec.get(), ignore, nullptr);
    opj_set_info_handler(codec.get(), ignore, nullptr);
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    // The pool owns every thread this program runs: OpenJPEG decodes on the caller's, even
    // when OPJ_NUM_THREADS asks otherwise.
    if (!opj_setup_decoder(codec.get(), &parameters) || !opj_codec_set_threads(codec.get(), 0)) return GenericError;
    opj_stream_set_user_data(stream.get(), &bytes, nullptr);
    opj_stream_set_user_data_length(stream.get(), size);
    opj_stream_set_read_function(stream.get(), readBytes);
    opj_stream_set_skip_function(stream.get(), skipBytes);
    opj_stream_set_seek_function(stream.get(), seekBytes);

    opj_image_t* header = nullptr;
    const bool read = opj_read_header(stream.get(), codec.get(), &header);
    std::unique_ptr<opj_image_t, ImageFree> image(header);
    if (!read || !image) return fail(frame, InvalidParameter, error.empty() ? "its JPEG 2000 data cannot be read" : error);
    if (image->numcomps == 0 || image->x1 <= image->x0 || image->y1 <= image->y0)
        return fail(frame, InvalidParameter, "its JPEG 2000 picture is empty");
    const uint32_t width = image->x1 - image->x0, height = image->y1 - image->y0;
    const PixelClass pixelClass = image->numcomps == 1 ? PixelClass::Indexed8
                                  : image->numcomps == 2 || (image->numcomps >= 4 && image->color_space != OPJ_CLRSPC_CMYK)
                                      ? PixelClass::Argb32
                                      : PixelClass::Rgb24;
    if (!frameAllowed(width, height, pixelClass) || uint64_t{width} * height * image->numcomps * 4 > kMaxSampleBytes)
        return fail(frame, InvalidParameter, oversizedFrameReason(width, height));
    for (uint32_t c = 0; c < image->numcomps; ++c)
        if (image->comps[c].prec < 1 || image->comps[c].prec > 16)
            return fail(frame, InvalidParameter, "its JPEG 2000 samples are of an unsupported size");
    if (!opj_decode(codec.get(), stream.get(), image.get()) || !opj_end_decompress(codec.get(), stream.get()))
        return fail(frame, InvalidParameter, error.empty() ? "its JPEG 2000 data cannot be decoded" : error);
    for (uint32_t c = 0; c < image->numcomps; ++c)
        if (!image->comps[c].data || image->comps[c].w == 0 || image->comps[c].h == 0)
            return fail(frame, InvalidParameter, "its JPEG 2000 data cannot be decoded");

    if (const GpStatus status = allocateFrame(frame, width, height, pixelClass); status != Ok) return status;
    if (pixelClass == PixelClass::Indexed8) frame.palette = greyPalette(8);
    fillFrame(*image, frame);
    if (image->icc_profile_buf && image->icc_profile_len > 0)
        frame.meta.iccProfile.assign(reinterpret_cast<const char*>(image->icc_profile_buf), image->icc_profile_len);
    return Ok;
}

}  // namespace gdip::codecs
