// PNG through libpng. libpng reports errors by longjmp, so every library call that may fail
// runs inside one of the two small C-style functions below, which hold no C++ objects.
#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "../argb.h"
#include "../image_limits.h"
#include "codec.h"
#include "file_handle.h"
#include "resolution.h"

namespace gdip::codecs {
namespace {

struct PngHeader {
    png_uint_32 width;
    png_uint_32 height;
    int bitDepth;
    int colorType;
    int interlace;
    int hasTrns;
    int hasPhys;
    png_uint_32 physX;
    png_uint_32 physY;
    int physUnit;
};

// The read state; plain data, freed by closePng.
struct PngState {
    png_structp png;
    png_infop info;
    std::FILE* file;
    FailureNote* failure;  // the decoder's
};

void quietWarning(png_structp, png_const_charp) {}

// The failure is reported as a status; libpng's own message would only reach a terminal.
[[noreturn]] void quietError(png_structp png, png_const_charp message) {
    if (auto* failure = static_cast<FailureNote*>(png_get_error_ptr(png)))
        failure->note(message ? message : "PNG error");
    png_longjmp(png, 1);
}

// libpng sizes some buffers from lengths in the file before it has read them; no single
// allocation of its own may pass the codec cap, whatever a chunk declares.
png_voidp cappedMalloc(png_structp, png_alloc_size_t size) {
    if (size > Limits::kMaxCodecAllocation) return nullptr;
    return std::malloc(size);
}
void releaseMemory(png_structp, png_voidp pointer) { std::free(pointer); }

void closePng(PngState* state) {
    if (state->png) png_destroy_read_struct(&state->png, &state->info, nullptr);
}

// Returns false when libpng refuses the stream before the pixels.
bool readPngHeader(PngState* state, PngHeader* header) {
    state->png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, state->failure, &quietError,
                                          &quietWarning, nullptr, &cappedMalloc, &releaseMemory);
    if (!state->png) return false;
    state->info = png_create_info_struct(state->png);
    if (!state->info) return false;
    if (setjmp(png_jmpbuf(state->png))) return false;
    png_set_user_limits(state->png, Limits::kMaxSide, Limits::kMaxSide);
    png_set_chunk_malloc_max(state->png, Limits::kMaxCodecAllocation);
    png_init_io(state->png, state->file);
    png_read_info(state->png, state->info);
    png_get_IHDR(state->png, state->info, &header->width, &header->height, &header->bitDepth,
                 &header->colorType, &header->interlace, nullptr, nullptr);
    header->hasTrns = png_get_valid(state->png, state->info, PNG_INFO_tRNS) != 0;
    header->hasPhys = png_get_pHYs(state->png, state->info, &header->physX, &header->physY,
                                   &header->physUnit) != 0;
    return true;
}

enum PngTarget { kTargetIndexed1, kTargetIndexed8, kTargetGrey8, kTargetRgb24, kTargetArgb32, kTargetDeep };

// Sets the transforms for `target`, then reads every row; false on a libpng error.
bool readPngPixels(PngState* state, int target, png_bytep* rows, int* paletteCount,
                   png_colorp* palette) {
    png_structp png = state->png;
    png_infop info = state->info;
    if (setjmp(png_jmpbuf(png))) return false;
    switch (target) {
        case kTargetIndexed1: break;
        case kTargetIndexed8:
            png_set_packing(png);
            break;
        case kTargetGrey8:
            png_set_expand_gray_1_2_4_to_8(png);
            png_set_scale_16(png);
            break;
        case kTargetRgb24:
            png_set_scale_16(png);
            png_set_bgr(png);
            break;
        case kTargetArgb32:
            png_set_expand(png);
            png_set_scale_16(png);
            png_set_gray_to_rgb(png);
            png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
            png_set_bgr(png);
            break;
        case kTargetDeep:
            // 16-bit samples as they are, in the machine's order; a transparent colour
            // becomes an alpha sample, as deep as the rest.
            png_set_tRNS_to_alpha(png);
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
            png_set_swap(png);
#endif
            break;
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (target == kTargetIndexed1 || target == kTargetIndexed8)
        png_get_PLTE(png, info, palette, paletteCount);
    png_read_image(png, rows);
    return true;
}

class PngDecoder final : public SinglePictureDecoder {
public:
    ~PngDecoder() override { closePng(&m_state); }

    GpStatus open(UniqueFd fd) {
        m_file = streamFromDescriptor(std::move(fd));
        if (!m_file) return OutOfMemory;
        m_state.file = m_file.get();
        m_state.failure = &failure();
        if (!readPngHeader(&m_state, &m_header)) return UnknownImageFormat;
        if (!frameSizeAllowed(m_header.width, m_header.height)) return UnknownImageFormat;
        return Ok;
    }

    const GUID& rawFormat() const override { return ImageFormatPNG; }

protected:
    GpStatus decodePicture(Frame& out) override {
        // The stream is read once; decoding the same frame again reopens from the start.
        if (m_consumed && reopen() != Ok) return GenericError;
        m_consumed = true;
        const int target = pickTarget();
        const PixelClass pixelClass = target == kTargetIndexed1  ? PixelClass::Indexed1
                                      : target == kTargetRgb24   ? PixelClass::Rgb24
                                      : target == kTargetArgb32  ? PixelClass::Argb32
                                                                 : PixelClass::Indexed8;
        GpStatus status = allocateFrame(out, m_header.width, m_header.height, pixelClass);
        if (status != Ok) return status;
        std::vector<png_bytep> rows;
        try {
            rows.resize(m_header.height);
        } catch (const std::bad_alloc&) {
            out = Frame{};
            return OutOfMemory;
        }
        for (uint32_t y = 0; y < m_header.height; ++y) rows[y] = out.row(y);
        int paletteCount = 0;
        png_colorp palette = nullptr;
        if (!readPngPixels(&m_state, target, rows.data(), &paletteCount, &palette)) {
            out = Frame{};
            return GenericError;
        }
        if (target == kTargetIndexed1 || target == kTargetIndexed8) {
            if (m_header.colorType == PNG_COLOR_TYPE_PALETTE) {
                if (!palette || paletteCount <= 0) {
                    out = Frame{};
                    return UnknownImageFormat;
                }
                out.palette.resize(static_cast<size_t>(paletteCount));
                for (int i = 0; i < paletteCount; ++i)
                    out.palette[static_cast<size_t>(i)] =
                        opaque(palette[i].red, palette[i].green, palette[i].blue);
            } else {
                out.palette = greyPalette(1);
            }
        } else if (target == kTargetGrey8) {
            out.palette = greyPalette(8);
        }
        describe(out.dpiX, out.dpiY, out.meta);
        return Ok;
    }

public:
    GpStatus readDeepFrame(uint32_t index, DeepFrame& out) override {
        out = DeepFrame{};
        if (index != 0) return InvalidParameter;
        if (m_header.bitDepth != 16 || m_header.colorType == PNG_COLOR_TYPE_PALETTE) return NotImplemented;
        if (m_consumed && reopen() != Ok) return GenericError;
        m_consumed = true;
        const uint8_t colours = (m_header.colorType & PNG_COLOR_MASK_COLOR) ? 3 : 1;
        const bool alpha = (m_header.colorType & PNG_COLOR_MASK_ALPHA) || m_header.hasTrns;
        const GpStatus status = allocateDeepFrame(out, m_header.width, m_header.height, colours, alpha);
        if (status != Ok) return status == InvalidParameter ? NotImplemented : status;
        std::vector<png_bytep> rows;
        try {
            rows.resize(m_header.height);
        } catch (const std::bad_alloc&) {
            out = DeepFrame{};
            return OutOfMemory;
        }
        for (uint32_t y = 0; y < m_header.height; ++y) rows[y] = reinterpret_cast<png_bytep>(out.row(y));
        if (!readPngPixels(&m_state, kTargetDeep, rows.data(), nullptr, nullptr)) {
            out = DeepFrame{};
            return GenericError;
        }
        describe(out.dpiX, out.dpiY, out.meta);
        return Ok;
    }

private:
    // The resolution (or, without a unit, the pixels' aspect) and the colour profile.
    void describe(double& dpiX, double& dpiY, PageMetadata& meta) const {
        if (m_header.hasPhys && m_header.physUnit == PNG_RESOLUTION_METER) {
            dpiX = dpiFromPixelsPerMetre(m_header.physX);
            dpiY = dpiFromPixelsPerMetre(m_header.physY);
        } else if (m_header.hasPhys && m_header.physX > 0 && m_header.physY > 0 && m_header.physX != m_header.physY) {
            meta.aspectX = m_header.physX;
            meta.aspectY = m_header.physY;
        }
        readProfile(meta);
    }

    // libpng has checked and inflated the profile while reading the header; reading it back
    // cannot fail.
    void readProfile(PageMetadata& meta) const {
        png_charp name = nullptr;
        int compression = 0;
        png_bytep profile = nullptr;
        png_uint_32 length = 0;
        if (png_get_iCCP(m_state.png, m_state.info, &name, &compression, &profile, &length) && profile)
            meta.iccProfile.assign(reinterpret_cast<const char*>(profile), length);
    }

    int pickTarget() const {
        const int type = m_header.colorType;
        if ((type & PNG_COLOR_MASK_ALPHA) || m_header.hasTrns) return kTargetArgb32;
        if (type == PNG_COLOR_TYPE_PALETTE)
            return m_header.bitDepth == 1 ? kTargetIndexed1 : kTargetIndexed8;
        if (type == PNG_COLOR_TYPE_GRAY) return m_header.bitDepth == 1 ? kTargetIndexed1
                                                                       : kTargetGrey8;
        return kTargetRgb24;
    }

    GpStatus reopen() {
        closePng(&m_state);
        m_state = PngState{nullptr, nullptr, m_file.get(), &failure()};
        if (std::fseek(m_file.get(), 0, SEEK_SET) != 0) return GenericError;
        return readPngHeader(&m_state, &m_header) ? Ok : GenericError;
    }

    FilePtr m_file;
    PngState m_state{nullptr, nullptr, nullptr, nullptr};
    PngHeader m_header{};
    bool m_consumed = false;
};

}  // namespace

std::unique_ptr<Decoder> openPngDecoder(UniqueFd fd, GpStatus& status, std::string& reason) {
    return openDecoderOf<PngDecoder>(std::move(fd), status, reason);
}

}  // namespace gdip::codecs
