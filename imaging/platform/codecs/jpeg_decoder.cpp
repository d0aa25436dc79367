// JPEG through libjpeg-turbo. libjpeg reports errors by longjmp, so the library calls run in
// small C-style functions that hold no C++ objects; the C++ side only prepares buffers.
// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "jpeg_glue.h"
// jerror.h needs jpeglib.h, which jpeg_glue.h brings, first.
#include <jerror.h>

#include "../image_limits.h"
#include "codec.h"
#include "../copier/exif.h"
#include "../copier/jpeg_stream.h"
#include "file_handle.h"

namespace gdip::codecs {
namespace {

struct JpegState {
    jpeg_decompress_struct info;
    JpegErrorManager error;
    jpeg_progress_mgr progress;
    std::FILE* file;
    FailureNote* failure;  // the decoder's
    bool created;
    // Where sequential data stopped at a marker before the last row (0: it did not): the
    // rows below it are libjpeg's grey.
    JDIMENSION endedAfterRow;
};

// A file that ends early is reported by libjpeg as a warning and padded with grey; here it is
// a broken file. So is image data that stops at a marker before the first row of blocks is
// complete: there is no picture, only a blank page of any declared size. Data that stops
// later leaves a picture whose rest is padded, as libjpeg does, and says where (the frame's
// warning). Other warnings (stray bytes between markers) are tolerated.
void onWarning(j_common_ptr common) {
    if (common->err->msg_code == JWRN_JPEG_EOF) jpegFail(common);
    if (common->err->msg_code == JWRN_HIT_MARKER && common->is_decompressor) {
        auto* info = reinterpret_cast<j_decompress_ptr>(common);
        if (info->input_scan_number <= 1 && info->input_iMCU_row == 0) jpegFail(common);
        if (!info->progressive_mode) {
            auto* state = reinterpret_cast<JpegState*>(reinterpret_cast<char*>(info) - offsetof(JpegState, info));
            const JDIMENSION rows = info->input_iMCU_row * JDIMENSION(info->max_v_samp_factor) * DCTSIZE;
            if (!state->endedAfterRow && rows < info->image_height) state->endedAfterRow = rows;
        }
    }
}

void limitScans(j_common_ptr common) {
    if (!common->is_decompressor) return;
    auto* info = reinterpret_cast<j_decompress_ptr>(common);
    if (info->input_scan_number > Limits::kMaxJpegScans) {
        common->err->msg_code = JERR_NOTIMPL;  // worded by the library as unsupported
        jpegFail(common);
    }
}

void closeJpeg(JpegState* state) {
    if (state->created) jpeg_destroy_decompress(&state->info);
    state->created = false;
}

bool readJpegHeader(JpegState* state) {
    state->info.err = installJpegErrors(state->error, &onWarning, state->failure);
    if (setjmp(state->error.jump)) return false;
    jpeg_create_decompress(&state->info);
    state->created = true;
    state->info.mem->max_memory_to_use = static_cast<long>(Limits::kMaxCodecAllocation * 4);
    state->progress.progress_monitor = &limitScans;
    state->info.progress = &state->progress;
    jpeg_stdio_src(&state->info, state->file);
    // EXIF (orientation, resolution) and the colour profile's chunks.
    jpeg_save_markers(&state->info, JPEG_APP0 + 1, 0xFFFF);
    jpeg_save_markers(&state->info, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(&state->info, TRUE);
    return true;
}

// Decodes every row. `rows` points at the destination rows; for CMYK sources `scratch` holds
// one row of four-byte pixels that are converted into the three-byte destination.
bool readJpegRows(JpegState* state, J_COLOR_SPACE outSpace, unsigned char** rows,
                  unsigned char* scratch) {
    j_decompress_ptr info = &state->info;
    if (setjmp(state->error.jump)) return false;
    info->out_color_space = outSpace;
    jpeg_start_decompress(info);
    const int adobeInverted = info->saw_Adobe_marker;
    while (info->output_scanline < info->output_height) {
        unsigned char* destination = rows[info->output_scanline];
        if (outSpace != JCS_CMYK) {
            jpeg_read_scanlines(info, &destination, 1);
            continue;
        }
        jpeg_read_scanlines(info, &scratch, 1);
        for (JDIMENSION x = 0; x < info->output_width; ++x) {
            unsigned c = scratch[4 * x], m = scratch[4 * x + 1], y = scratch[4 * x + 2],
                     k = scratch[4 * x + 3];
            if (!adobeInverted) {
                c = 255 - c;
                m = 255 - m;
                y = 255 - y;
                k = 255 - k;
            }
            destination[3 * x] = static_cast<unsigned char>((y * k + 127) / 255);
            destination[3 * x + 1] = static_cast<unsigned char>((m * k + 127) / 255);
            destination[3 * x + 2] = static_cast<unsigned char>((c * k + 127) / 255);
        }
    }
    jpeg_finish_decompress(info);
    return true;
}

// The colour profile the saved APP2 chunks spell, in a buffer the caller frees; false when
// there is none.
bool readIccChunks(JpegState* state, JOCTET** data, unsigned* length) {
    if (setjmp(state->error.jump)) return false;
    return jpeg_read_icc_profile(&state->info, data, length);
}

class JpegDecoder final : public SinglePictureDecoder {
public:
    ~JpegDecoder() override { closeJpeg(&m_state); }

    GpStatus open(UniqueFd fd) {
        m_file = streamFromDescriptor(std::move(fd));
        if (!m_file) return OutOfMemory;
        return readHeader();
    }

    const GUID& rawFormat() const override { return ImageFormatJPEG; }

protected:
    GpStatus decodePicture(Frame& out) override {
        if (m_consumed) {
            closeJpeg(&m_state);
            if (std::fseek(m_file.get(), 0, SEEK_SET) != 0 || readHeader() != Ok)
                return GenericError;
        }
        m_consumed = true;
        const J_COLOR_SPACE space = m_state.info.jpeg_color_space;
        const bool grey = space == JCS_GRAYSCALE;
        const bool cmyk = space == JCS_CMYK || space == JCS_YCCK;
        const J_COLOR_SPACE outSpace = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_EXT_BGR;
        const uint32_t width = m_state.info.image_width;
        const uint32_t height = m_state.info.image_height;
        GpStatus status =
            allocateFrame(out, width, height, grey ? PixelClass::Indexed8 : PixelClass::Rgb24);
        if (status != Ok) return status;
        if (grey) out.palette = greyPalette(8);
        std::vector<unsigned char*> rows;
        std::vector<unsigned char> scratch;
        try {
            rows.resize(height);
            if (cmyk) scratch.resize(size_t{width} * 4);
        } catch (const std::bad_alloc&) {
            out = Frame{};
            return OutOfMemory;
        }
        for (uint32_t y = 0; y < height; ++y) rows[y] = out.row(y);
        // Saved markers go with the image's memory when the rows are done.
        readMarkers(out);
        if (!readJpegRows(&m_state, outSpace, rows.data(), scratch.data())) {
            out = Frame{};
            return GenericError;
        }
        const jpeg_decompress_struct& info = m_state.info;
        if (m_state.endedAfterRow)
            out.warning = "the JPEG data ends after row " + std::to_string(m_state.endedAfterRow) + "; the rows below it are grey";
        const PageResolution r =
            jpegResolution(info.saw_JFIF_marker, info.density_unit, info.X_density, info.Y_density, m_exif);
        out.dpiX = r.dpiX;
        out.dpiY = r.dpiY;
        out.meta.aspectX = r.aspectX;
        out.meta.aspectY = r.aspectY;
        return Ok;
    }

private:
    GpStatus readHeader() {
        m_state = JpegState{};
        m_state.file = m_file.get();
        m_state.failure = &failure();
        if (!readJpegHeader(&m_state)) return UnknownImageFormat;
        const int components = m_state.info.num_components;
        if (components != 1 && components != 3 && components != 4) return UnknownImageFormat;
        const PixelClass pixelClass = m_state.info.jpeg_color_space == JCS_GRAYSCALE
                                          ? PixelClass::Indexed8
                                          : PixelClass::Rgb24;
        if (!frameAllowed(m_state.info.image_width, m_state.info.image_height, pixelClass))
            return UnknownImageFormat;
        return Ok;
    }

    // The colour profile, and what EXIF says: the orientation, and the resolution when JFIF
    // gave none.
    void readMarkers(Frame& out) {
        m_exif = ExifFacts{};
        for (jpeg_saved_marker_ptr marker = m_state.info.marker_list; marker; marker = marker->next) {
            ExifFacts facts;
            if (marker->marker != JPEG_APP0 + 1 || !readExif(marker->data, marker->data_length, facts)) continue;
            if (facts.orientation) out.meta.orientation = facts.orientation;
            m_exif = facts;
            break;
        }
        JOCTET* profile = nullptr;
        unsigned length = 0;
        if (readIccChunks(&m_state, &profile, &length) && profile) {
            std::unique_ptr<JOCTET, decltype(&std::free)> owner(profile, &std::free);
            out.meta.iccProfile.assign(reinterpret_cast<const char*>(profile), length);
        }
    }

    FilePtr m_file;
    JpegState m_state{};
    bool m_consumed = false;
    ExifFacts m_exif;  // of the picture being decoded
};

}  // namespace

std::unique_ptr<Decoder> openJpegDecoder(UniqueFd fd, GpStatus& status, std::string& reason) {
    return openDecoderOf<JpegDecoder>(std::move(fd), status, reason);
}

}  // namespace gdip::codecs
