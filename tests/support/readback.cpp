#include "readback.h"

#include <gif_lib.h>
#include <png.h>
#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>

#include <jpeglib.h>

#include "fixtures.h"

namespace fixtures {

std::vector<TiffPageInfo> readTiffPages(const std::string& path) {
    std::vector<TiffPageInfo> pages;
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (!tif) return pages;
    do {
        TiffPageInfo page;
        TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &page.width);
        TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &page.height);
        TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &page.bitsPerSample);
        TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &page.samplesPerPixel);
        TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &page.photometric);
        TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &page.compression);
        page.hasPageNumber =
            TIFFGetField(tif, TIFFTAG_PAGENUMBER, &page.pageNumber, &page.pageTotal) != 0;
        TIFFGetField(tif, TIFFTAG_XRESOLUTION, &page.xResolution);
        TIFFGetField(tif, TIFFTAG_YRESOLUTION, &page.yResolution);
        TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &page.resolutionUnit);
        std::vector<uint32_t> raster(size_t{page.width} * page.height);
        if (TIFFReadRGBAImageOriented(tif, page.width, page.height, raster.data(),
                                      ORIENTATION_TOPLEFT, 0)) {
            page.argb.resize(raster.size());
            for (size_t i = 0; i < raster.size(); ++i) {
                uint32_t a = TIFFGetA(raster[i]), r = TIFFGetR(raster[i]), g = TIFFGetG(raster[i]),
                         b = TIFFGetB(raster[i]);
                if (a > 0 && a < 255) {  // libtiff premultiplies
                    r = std::min(255u, (r * 255 + a / 2) / a);
                    g = std::min(255u, (g * 255 + a / 2) / a);
                    b = std::min(255u, (b * 255 + a / 2) / a);
                }
                page.argb[i] = (a << 24) | (r << 16) | (g << 8) | b;
            }
        }
        pages.push_back(std::move(page));
    } while (TIFFReadDirectory(tif));
    TIFFClose(tif);
    return pages;
}

RgbaImage readPng(const std::string& path) {
    RgbaImage image;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return image;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_read_info(png, info);
    image.pngColourType = png_get_color_type(png, info);
    image.pngBitDepth = png_get_bit_depth(png, info);
    png_uint_32 ppmX = 0, ppmY = 0;
    int unit = 0;
    if (png_get_pHYs(png, info, &ppmX, &ppmY, &unit) && unit == PNG_RESOLUTION_METER) {
        image.dpiX = ppmX * 0.0254;
        image.dpiY = ppmY * 0.0254;
    }
    png_set_expand(png);
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    image.width = png_get_image_width(png, info);
    image.height = png_get_image_height(png, info);
    std::vector<uint8_t> bytes(size_t{image.width} * image.height * 4);
    std::vector<png_bytep> rows(image.height);
    for (uint32_t y = 0; y < image.height; ++y) rows[y] = &bytes[size_t{y} * image.width * 4];
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    image.argb.resize(size_t{image.width} * image.height);
    for (size_t i = 0; i < image.argb.size(); ++i)
        image.argb[i] = (uint32_t{bytes[4 * i + 3]} << 24) | (uint32_t{bytes[4 * i]} << 16) |
                        (uint32_t{bytes[4 * i + 1]} << 8) | bytes[4 * i + 2];
    return image;
}

RgbaImage readJpeg(const std::string& path) {
    RgbaImage image;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return image;
    jpeg_decompress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    if (info.saw_JFIF_marker && info.density_unit == 1) {
        image.dpiX = info.X_density;
        image.dpiY = info.Y_density;
    }
    info.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&info);
    image.width = info.output_width;
    image.height = info.output_height;
    image.argb.resize(size_t{image.width} * image.height);
    while (info.output_scanline < image.height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(&image.argb[size_t{info.output_scanline} * image.width]);
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    return image;
}

RgbaImage readGifFirstFrame(const std::string& path) {
    RgbaImage image;
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    if (!gif) return image;
    if (DGifSlurp(gif) == GIF_OK && gif->ImageCount > 0) {
        image.width = static_cast<uint32_t>(gif->SWidth);
        image.height = static_cast<uint32_t>(gif->SHeight);
        image.argb.assign(size_t{image.width} * image.height, 0);
        GraphicsControlBlock gcb{};
        gcb.TransparentColor = NO_TRANSPARENT_COLOR;
        DGifSavedExtensionToGCB(gif, 0, &gcb);
        const SavedImage& frame = gif->SavedImages[0];
        const ColorMapObject* map = frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : gif->SColorMap;
        for (int y = 0; y < frame.ImageDesc.Height; ++y)
            for (int x = 0; x < frame.ImageDesc.Width; ++x) {
                const int index = frame.RasterBits[y * frame.ImageDesc.Width + x];
                if (index == gcb.TransparentColor) continue;
                const GifColorType c = map->Colors[index];
                image.argb[size_t(y + frame.ImageDesc.Top) * image.width + x + frame.ImageDesc.Left] =
                    0xFF000000u | (uint32_t{c.Red} << 16) | (uint32_t{c.Green} << 8) | c.Blue;
            }
    }
    DGifCloseFile(gif, &error);
    return image;
}

namespace {

// A bottom-up 1- or 8-bit BMP with its palette after a 40-byte header.
RgbaImage readIndexedBmp(const std::vector<uint8_t>& b) {
    auto le32 = [&](size_t at) {
        return uint32_t{b[at]} | (uint32_t{b[at + 1]} << 8) | (uint32_t{b[at + 2]} << 16) |
               (uint32_t{b[at + 3]} << 24);
    };
    RgbaImage image;
    const unsigned bits = b[28];
    const uint32_t width = le32(18), height = le32(22), offset = le32(10);
    const uint32_t colours = le32(46) ? le32(46) : (1u << bits);
    const size_t rowBytes = ((size_t{width} * bits + 31) / 32) * 4;
    if (le32(14) != 40 || 54 + size_t{colours} * 4 > b.size() ||
        offset + rowBytes * height > b.size())
        return image;
    image.width = width;
    image.height = height;
    image.dpiX = le32(38) * 0.0254;
    image.dpiY = le32(42) * 0.0254;
    image.argb.resize(size_t{width} * height);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t* row = &b[offset + size_t{height - 1 - y} * rowBytes];
            const unsigned index = bits == 8 ? row[x] : (row[x / 8] >> (7 - x % 8)) & 1;
            if (index >= colours) return {};
            const uint8_t* entry = &b[54 + size_t{index} * 4];
            image.argb[size_t{y} * width + x] =
                0xFF000000u | (uint32_t{entry[2]} << 16) | (uint32_t{entry[1]} << 8) | entry[0];
        }
    return image;
}

}  // namespace

RgbaImage readBmp24(const std::string& path) {
    RgbaImage image;
    const std::vector<uint8_t> b = readBytes(path);
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return image;
    const unsigned bits = b[28];
    if (bits == 1 || bits == 8) return readIndexedBmp(b);
    if (bits != 24) return image;
    auto le32 = [&](size_t at) {
        return uint32_t{b[at]} | (uint32_t{b[at + 1]} << 8) | (uint32_t{b[at + 2]} << 16) |
               (uint32_t{b[at + 3]} << 24);
    };
    image.width = le32(18);
    image.height = le32(22);
    image.dpiX = le32(38) * 0.0254;
    image.dpiY = le32(42) * 0.0254;
    const uint32_t offset = le32(10), rowBytes = (image.width * 3 + 3) & ~3u;
    if (offset + size_t{rowBytes} * image.height > b.size()) return {};
    image.argb.resize(size_t{image.width} * image.height);
    for (uint32_t y = 0; y < image.height; ++y)
        for (uint32_t x = 0; x < image.width; ++x) {
            const uint8_t* p = &b[offset + size_t{image.height - 1 - y} * rowBytes + x * 3];
            image.argb[size_t{y} * image.width + x] =
                0xFF000000u | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
        }
    return image;
}

std::vector<std::string> listFolder(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void RecordingContext::begin(int steps, const std::string& text) {
    events.push_back("begin " + std::to_string(steps) + " " + text);
}
void RecordingContext::step(int position) { events.push_back("step " + std::to_string(position)); }
void RecordingContext::end() { events.push_back("end"); }
void RecordingContext::status(const std::string& text) {
    events.push_back("status " + text);
}
void RecordingContext::show(const std::string& text, const std::string& title,
                            orvelle::MessageIcon icon) {
    events.push_back("message " + title + "|" + text);
    icons.push_back(icon);
    if (onMessage) onMessage();
}
void RecordingContext::show(const std::string& text, const std::string& title, orvelle::MessageIcon icon,
                            const std::string& why) {
    details.push_back(why);
    show(text, title, icon);
}
bool RecordingContext::ask(const std::string& text, const std::string& title) {
    events.push_back("question " + title + "|" + text);
    return answer;
}
void RecordingContext::processPendingEvents() {
    events.push_back("pump");
    if (onPump) onPump();
}

std::vector<std::string> RecordingContext::messages() const {
    std::vector<std::string> out;
    for (const std::string& e : events)
        if (e.rfind("message ", 0) == 0) out.push_back(e.substr(8));
    return out;
}

}  // namespace fixtures
