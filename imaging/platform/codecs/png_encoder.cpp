// PNG: 24-bit frames as 8-bit RGB and ARGB frames as RGBA, compressed in bands on the
// workers by our own chunk writer (png_bands.h); indexed frames as grey or palette, and
// black-and-white pages, through libpng. libpng reports errors by longjmp, so its calls run
// in one C-style function.
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstring>
#include <functional>
#include <vector>

#include "codec.h"
#include "resolution.h"
#include "palette_classes.h"
#include "png_bands.h"

namespace gdip::codecs {
namespace {

struct PngWriteJob {
    std::FILE* stream;
    png_uint_32 width;
    png_uint_32 height;
    int bitDepth;
    int colourType;
    bool bgr;
    bool twoLevel;  // every pixel black or white
    const png_color* palette;
    int paletteCount;
    const png_byte* alphas;  // tRNS entries for the palette, or null
    int alphaCount;
    png_uint_32 pixelsPerMetreX;
    png_uint_32 pixelsPerMetreY;
    const PageMetadata* meta = nullptr;  // the profile (when it fits) and the pixels' aspect
    // Row `y` as the file stores it (BGR when `bgr`), asked for once each, in order.
    std::function<png_const_bytep(uint32_t y)> row;
};

[[noreturn]] void pngWriteError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void pngWriteWarning(png_structp, png_const_charp) {}

bool writePng(const PngWriteJob* job) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, &pngWriteError, &pngWriteWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, job->stream);
    // Measured on a 3307 x 4677 fax page rendered to RGB and on a 1280 x 1280 photograph:
    // level 4 with the sub and up filters writes in two thirds of the time of zlib's default
    // with every filter, for files within a few percent of its size; levels 1 to 3 are faster
    // still but write scanned pages four times larger. Palette and grey rows compress best
    // unfiltered.
    // Black-and-white pages (a fax page written as 24-bit): the up filter turns a row like the
    // one above it into zeros and run-length deflate packs the runs. On 20 pages of the
    // bench's fax document, 2480 x 3508, one core: 2.6 s and 7.70 MB, against 5.6 s and
    // 7.58 MB with the settings above (zlib's default with every filter: 9.4 s, 6.15 MB).
    if (job->twoLevel) {
        png_set_compression_strategy(png, Z_RLE);
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    } else {
        png_set_compression_level(png, 4);
        if (job->colourType == PNG_COLOR_TYPE_PALETTE || job->bitDepth < 8)
            png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
        else
            png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB | PNG_FILTER_UP);
    }
    png_set_IHDR(png, info, job->width, job->height, job->bitDepth, job->colourType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // A profile libpng finds malformed is left out with a warning, not a failed file.
    png_set_benign_errors(png, 1);
    if (job->meta && profileFits(job->meta->iccProfile, job->colourType == PNG_COLOR_TYPE_GRAY))
        png_set_iCCP(png, info, "ICC profile", PNG_COMPRESSION_TYPE_BASE,
                     reinterpret_cast<png_const_bytep>(job->meta->iccProfile.data()),
                     static_cast<png_uint_32>(job->meta->iccProfile.size()));
    if (job->palette) png_set_PLTE(png, info, job->palette, job->paletteCount);
    if (job->alphas) png_set_tRNS(png, info, job->alphas, job->alphaCount, nullptr);
    if (job->pixelsPerMetreX > 0) {
        png_set_pHYs(png, info, job->pixelsPerMetreX, job->pixelsPerMetreY, PNG_RESOLUTION_METER);
    } else if (job->meta) {
        if (const PngAspect aspect = pngAspect(*job->meta); aspect.x > 0)
            png_set_pHYs(png, info, aspect.x, aspect.y, PNG_RESOLUTION_UNKNOWN);
    }
    png_write_info(png, info);
    if (job->bgr) png_set_bgr(png);
    for (uint32_t y = 0; y < job->height; ++y) png_write_row(png, job->row(y));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

// True when every pixel of a 24-bit picture is black or white; stops at the first that is not,
// so a photograph costs a few pixels.
bool blackAndWhiteOnly(const PictureRows& rows) {
    const Frame& frame = *rows.header;
    std::vector<uint8_t> scratch(rows.made() ? frame.stride : 0);
    for (uint32_t y = 0; y < frame.height; ++y) {
        const uint8_t* p = rows.row(y, scratch.data());
        for (uint32_t x = 0; x < frame.width; ++x, p += 3)
            if ((p[0] != 0 && p[0] != 255) || p[1] != p[0] || p[2] != p[0]) return false;
    }
    return true;
}

// True when every pixel of an indexed frame is black or white.
bool indexedBlackAndWhiteOnly(const Frame& frame) {
    bool blackOrWhite[256] = {};
    bool all = true;
    for (size_t i = 0; i < frame.palette.size() && i < 256; ++i) {
        const ARGB c = frame.palette[i] & 0xFFFFFF;
        blackOrWhite[i] = c == 0 || c == 0xFFFFFF;
        all = all && blackOrWhite[i];
    }
    if (all) return true;
    const bool oneBit = frame.pixelClass == PixelClass::Indexed1;
    for (uint32_t y = 0; y < frame.height; ++y) {
        const uint8_t* src = frame.row(y);
        for (uint32_t x = 0; x < frame.width; ++x) {
            const unsigned index = oneBit ? (src[x >> 3] >> (7 - (x & 7))) & 1u : src[x];
            if (!blackOrWhite[index]) return false;
        }
    }
    return true;
}

class PngEncoder final : public SinglePictureEncoder {
public:
    PngEncoder(std::FILE* stream, const EncodeOptions& options)
        : SinglePictureEncoder(stream), m_expandIndexed(options.expandIndexedTo24) {}

protected:
    GpStatus write(const Frame& frame) override {
        const bool indexed = frame.pixelClass == PixelClass::Indexed1 || frame.pixelClass == PixelClass::Indexed8;
        if (m_expandIndexed && indexed) return writeExpanded(frame);
        return writeAsIs(frame);
    }

private:
    // An indexed frame as 8-bit RGB, the same file as the frame drawn onto a 24-bit bitmap
    // would give, without that bitmap: each row is expanded as it is written. Only opaque
    // palettes, whose colours drawing copies unchanged.
    GpStatus writeExpanded(const Frame& frame) {
        if (!paletteOpaque(frame.palette)) return NotImplemented;
        const bool twoLevel = indexedBlackAndWhiteOnly(frame);
        if (!twoLevel)
            return writePngInBands(stream(), rowsOf(frame), pixelsPerMetre(frame.dpiX), pixelsPerMetre(frame.dpiY));
        png_byte rgbOfIndex[3 * 256];
        paletteRgbTable(frame, rgbOfIndex);
        std::vector<png_byte> line(size_t{frame.width} * 3);
        PngWriteJob job = jobFor(frame);
        job.twoLevel = true;
        job.row = [&](uint32_t y) {
            indexedRowToRgb(frame, y, rgbOfIndex, line.data());
            return static_cast<png_const_bytep>(line.data());
        };
        return writePng(&job) ? Ok : Win32Error;
    }

    // A 24-bit picture: black-and-white ones through libpng, the rest compressed in bands
    // on every core.
    GpStatus writeRows(const PictureRows& rows) override {
        const Frame& header = *rows.header;
        PngWriteJob job = jobFor(header);
        if (!blackAndWhiteOnly(rows)) return writePngInBands(stream(), rows, job.pixelsPerMetreX, job.pixelsPerMetreY);
        job.bgr = true;
        job.twoLevel = true;
        std::vector<uint8_t> scratch(rows.made() ? header.stride : 0);
        job.row = [&](uint32_t y) { return rows.row(y, scratch.data()); };
        return writePng(&job) ? Ok : Win32Error;
    }

    PngWriteJob jobFor(const Frame& frame) const {
        PngWriteJob job{stream(), frame.width, frame.height, 8, PNG_COLOR_TYPE_RGB, false, false,
                        nullptr, 0, nullptr, 0, pixelsPerMetre(frame.dpiX), pixelsPerMetre(frame.dpiY), &frame.meta, {}};
        if (job.pixelsPerMetreX == 0 || job.pixelsPerMetreY == 0) job.pixelsPerMetreX = job.pixelsPerMetreY = 0;
        return job;
    }

    GpStatus writeAsIs(const Frame& frame) {
        PngWriteJob job = jobFor(frame);
        job.row = [&frame](uint32_t y) { return static_cast<png_const_bytep>(frame.row(y)); };
        std::vector<png_color> palette;
        std::vector<png_byte> alphas;
        std::vector<png_byte> inverted;
        switch (frame.pixelClass) {
            case PixelClass::Rgb24:
                return writeRows(rowsOf(frame));
            case PixelClass::Argb32:
                return writePngInBands(stream(), rowsOf(frame), job.pixelsPerMetreX, job.pixelsPerMetreY);
            case PixelClass::Indexed1:
            case PixelClass::Indexed8: {
                const unsigned bits = frame.pixelClass == PixelClass::Indexed1 ? 1 : 8;
                job.bitDepth = static_cast<int>(bits);
                const PaletteShape shape = paletteShape(frame.palette, bits);
                if (shape == PaletteShape::GreyRising) {
                    job.colourType = PNG_COLOR_TYPE_GRAY;
                    break;
                }
                if (shape == PaletteShape::GreyFalling && bits == 1) {
                    // Grey PNG has no "white is zero": store the bits inverted.
                    job.colourType = PNG_COLOR_TYPE_GRAY;
                    const size_t rowBytes = (size_t{frame.width} + 7) / 8;
                    inverted.resize(rowBytes);
                    job.row = [&frame, &inverted, rowBytes](uint32_t y) {
                        for (size_t i = 0; i < rowBytes; ++i) inverted[i] = static_cast<png_byte>(~frame.row(y)[i]);
                        return static_cast<png_const_bytep>(inverted.data());
                    };
                    break;
                }
                job.colourType = PNG_COLOR_TYPE_PALETTE;
                const size_t count = std::min<size_t>(frame.palette.size(), size_t{1} << bits);
                for (size_t i = 0; i < count; ++i) {
                    const ARGB c = frame.palette[i];
                    palette.push_back({static_cast<png_byte>(c >> 16), static_cast<png_byte>(c >> 8),
                                       static_cast<png_byte>(c)});
                    alphas.push_back(static_cast<png_byte>(c >> 24));
                }
                if (palette.empty()) return InvalidParameter;
                job.palette = palette.data();
                job.paletteCount = static_cast<int>(palette.size());
                if (!paletteOpaque(frame.palette)) {
                    job.alphas = alphas.data();
                    job.alphaCount = static_cast<int>(alphas.size());
                }
                break;
            }
        }
        return writePng(&job) ? Ok : Win32Error;
    }

    bool m_expandIndexed;
};

}  // namespace

std::unique_ptr<Encoder> createPngEncoder(std::FILE* stream, const EncodeOptions& options, GpStatus& status) {
    status = Ok;
    return std::make_unique<PngEncoder>(stream, options);
}

}  // namespace gdip::codecs
