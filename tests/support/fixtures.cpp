#include "fixtures.h"
#include "page_fixtures.h"

#include <gif_lib.h>
#include <png.h>
#include <gtest/gtest.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <jpeglib.h>

#include "imaging/gdiputil.h"
#include "imaging/text_path.h"

namespace fixtures {

fs::path corpusDir() {
#ifdef ORVELLE_CORPUS_DIR
    return fs::path(ORVELLE_CORPUS_DIR);
#else
    return fs::path("../shared/corpus");
#endif
}

bool corpusPresent() { return fs::is_regular_file(corpusDir() / "facts.json"); }

bool corpusRequired() {
    const char* value = std::getenv("ORVELLE_REQUIRE_CORPUS");
    return value && std::string(value) == "1";
}

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "orvelle-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
}

Picture gradient(uint32_t width, uint32_t height, int channels) {
    Picture p{width, height, channels, std::vector<uint8_t>(size_t{width} * height * channels)};
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c)
                p.at(x, y)[c] = c == 3 ? static_cast<uint8_t>(64 + (x * 13 + y * 7) % 192)
                                       : static_cast<uint8_t>(x * 37 + y * 91 + c * 53);
    return p;
}

namespace {

bool bilevelBit(uint32_t x, uint32_t y) { return (x * 7 + y * 3) % 5 < 2; }

uint32_t argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}

uint32_t paletteColour(uint32_t i) { return argb(255, i, 255 - i, (i * 7) & 255); }

}  // namespace

uint32_t tiffPagePixel(const TiffPage& page, uint32_t x, uint32_t y) {
    const Picture rgba = gradient(page.width, page.height, 4);
    const uint8_t* s = rgba.at(x, y);
    switch (page.kind) {
        case TiffKind::Bilevel: {
            const bool white = bilevelBit(x, y) != page.minIsWhite;
            return white ? 0xFFFFFFFFu : 0xFF000000u;
        }
        case TiffKind::Grey8: {
            const uint32_t v = page.minIsWhite ? 255 - s[0] : s[0];
            return argb(255, v, v, v);
        }
        case TiffKind::Grey4: {
            uint32_t v = (s[0] & 15) * 17;
            if (page.minIsWhite) v = 255 - v;
            return argb(255, v, v, v);
        }
        case TiffKind::Palette8: return paletteColour(s[0]);
        case TiffKind::Rgb: return argb(255, s[0], s[1], s[2]);
        case TiffKind::Rgba: return argb(s[3], s[0], s[1], s[2]);
    }
    return 0;
}

void writeTiff(const std::string& path, const std::vector<TiffPage>& pages) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif) throw std::runtime_error("cannot write " + path);
    for (const TiffPage& page : pages) {
        const Picture rgba = gradient(page.width, page.height, 4);
        uint16_t bits = 8, samples = 1, photometric = PHOTOMETRIC_MINISBLACK;
        switch (page.kind) {
            case TiffKind::Bilevel: bits = 1; break;
            case TiffKind::Grey4: bits = 4; break;
            case TiffKind::Grey8: break;
            case TiffKind::Palette8: photometric = PHOTOMETRIC_PALETTE; break;
            case TiffKind::Rgb: samples = 3; photometric = PHOTOMETRIC_RGB; break;
            case TiffKind::Rgba: samples = 4; photometric = PHOTOMETRIC_RGB; break;
        }
        if (page.minIsWhite) photometric = PHOTOMETRIC_MINISWHITE;
        const bool ycbcr = page.compression == COMPRESSION_JPEG && page.kind == TiffKind::Rgb;
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, page.width);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, page.height);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, page.compression);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, ycbcr ? PHOTOMETRIC_YCBCR : photometric);
        if (ycbcr) {
            TIFFSetField(tif, TIFFTAG_JPEGQUALITY, 95);
            TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
        }
        TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
        if (page.kind == TiffKind::Rgba) {
            const uint16_t extra = EXTRASAMPLE_UNASSALPHA;
            TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
        }
        std::vector<uint16_t> red(256), green(256), blue(256);
        if (page.kind == TiffKind::Palette8) {
            for (uint32_t i = 0; i < 256; ++i) {
                const uint32_t c = paletteColour(i);
                red[i] = static_cast<uint16_t>(((c >> 16) & 255) * 257);
                green[i] = static_cast<uint16_t>(((c >> 8) & 255) * 257);
                blue[i] = static_cast<uint16_t>((c & 255) * 257);
            }
            TIFFSetField(tif, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
        }
        if (page.dpi > 0) {
            TIFFSetField(tif, TIFFTAG_XRESOLUTION, page.dpi);
            TIFFSetField(tif, TIFFTAG_YRESOLUTION, page.dpi);
            TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        }
        if (page.orientation != 1) TIFFSetField(tif, TIFFTAG_ORIENTATION, page.orientation);
        // Stored rows, packed as the file holds them.
        const size_t rowBytes = (size_t{page.width} * bits * samples + 7) / 8;
        std::vector<std::vector<uint8_t>> rows(page.height, std::vector<uint8_t>(rowBytes));
        for (uint32_t y = 0; y < page.height; ++y) {
            uint8_t* row = rows[y].data();
            for (uint32_t x = 0; x < page.width; ++x) {
                const uint8_t* s = rgba.at(x, y);
                switch (page.kind) {
                    case TiffKind::Bilevel:
                        if (bilevelBit(x, y)) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
                        break;
                    case TiffKind::Grey4:
                        row[x / 2] |= static_cast<uint8_t>((s[0] & 15) << (x % 2 ? 0 : 4));
                        break;
                    case TiffKind::Grey8:
                    case TiffKind::Palette8: row[x] = s[0]; break;
                    case TiffKind::Rgb:
                    case TiffKind::Rgba:
                        for (uint16_t c = 0; c < samples; ++c) row[x * samples + c] = s[c];
                        break;
                }
            }
        }
        if (page.tiled) {
            const uint32_t tile = 16;
            TIFFSetField(tif, TIFFTAG_TILEWIDTH, tile);
            TIFFSetField(tif, TIFFTAG_TILELENGTH, tile);
            const size_t tileRow = tile * bits * samples / 8;
            std::vector<uint8_t> buffer(TIFFTileSize(tif));
            for (uint32_t ty = 0; ty < page.height; ty += tile)
                for (uint32_t tx = 0; tx < page.width; tx += tile) {
                    std::fill(buffer.begin(), buffer.end(), 0);
                    for (uint32_t r = 0; r < tile && ty + r < page.height; ++r) {
                        const size_t offset = size_t{tx} * bits * samples / 8;
                        const size_t n = std::min(tileRow, rowBytes - offset);
                        std::copy_n(rows[ty + r].data() + offset, n, buffer.data() + r * tileRow);
                    }
                    TIFFWriteTile(tif, buffer.data(), tx, ty, 0, 0);
                }
        } else {
            TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, ycbcr ? 16u : 3u);
            for (uint32_t y = 0; y < page.height; ++y) TIFFWriteScanline(tif, rows[y].data(), y, 0);
        }
        TIFFWriteDirectory(tif);
    }
    TIFFClose(tif);
}

void writePictureTiff(const std::string& path, const Picture& picture, uint16_t compression) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif) throw std::runtime_error("cannot write " + path);
    const bool colour = picture.channels == 3;
    const bool ycbcr = colour && compression == COMPRESSION_JPEG;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, picture.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, picture.height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, static_cast<uint16_t>(picture.channels));
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC,
                 ycbcr ? PHOTOMETRIC_YCBCR : colour ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
    if (ycbcr) TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 16u);
    for (uint32_t y = 0; y < picture.height; ++y)
        TIFFWriteScanline(tif, const_cast<uint8_t*>(picture.at(0, y)), y, 0);
    TIFFClose(tif);
}

void writePng(const std::string& path, const Picture& picture, double dpi) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) throw std::runtime_error("cannot write " + path);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    const int type = picture.channels == 1   ? PNG_COLOR_TYPE_GRAY
                     : picture.channels == 3 ? PNG_COLOR_TYPE_RGB
                                             : PNG_COLOR_TYPE_RGBA;
    png_set_IHDR(png, info, picture.width, picture.height, 8, type, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (dpi > 0) {
        const auto ppm = static_cast<png_uint_32>(dpi / 0.0254 + 0.5);
        png_set_pHYs(png, info, ppm, ppm, PNG_RESOLUTION_METER);
    }
    png_write_info(png, info);
    for (uint32_t y = 0; y < picture.height; ++y)
        png_write_row(png, const_cast<uint8_t*>(picture.at(0, y)));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

uint16_t deepSample(uint32_t x, uint32_t y, uint32_t c) {
    return static_cast<uint16_t>((x * 1009 + y * 7919 + c * 20011) & 0xFFFF);
}

void writeDeepPng(const std::string& path, uint32_t width, uint32_t height, int channels) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) throw std::runtime_error("cannot write " + path);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    const int types[] = {PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_GRAY_ALPHA, PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGBA};
    png_set_IHDR(png, info, width, height, 16, types[channels - 1], PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<uint8_t> row(size_t{width} * channels * 2);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0, i = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c, i += 2) {
                const uint16_t v = deepSample(x, y, static_cast<uint32_t>(c));
                row[i] = static_cast<uint8_t>(v >> 8);  // PNG stores the high byte first
                row[i + 1] = static_cast<uint8_t>(v);
            }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

void writeDeepTiff(const std::string& path, uint32_t width, uint32_t height, int channels, bool minIsWhite) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif) throw std::runtime_error("cannot write " + path);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, channels);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC,
                 channels >= 3 ? PHOTOMETRIC_RGB : minIsWhite ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 5u);
    if (channels == 2 || channels == 4) {
        const uint16_t extra = EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    std::vector<uint16_t> row(size_t{width} * channels);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0, i = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c, ++i) {
                const uint16_t v = deepSample(x, y, static_cast<uint32_t>(c));
                const bool colour = c < (channels >= 3 ? 3 : 1);
                row[i] = minIsWhite && colour ? static_cast<uint16_t>(65535 - v) : v;
            }
        TIFFWriteScanline(tif, row.data(), y, 0);
    }
    TIFFClose(tif);
}

void writeJpeg(const std::string& path, const Picture& picture, int quality, int dpi) {
    JpegExtras extras;
    extras.quality = quality;
    extras.jfifDpi = dpi;
    writeJpegWith(path, picture, extras);
}

void writeGif(const std::string& path, int screenWidth, int screenHeight,
              const std::vector<uint32_t>& paletteRgb, const std::vector<GifFrame>& frames) {
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    if (!gif) throw std::runtime_error("cannot write " + path);
    int size = 2;
    while (size < static_cast<int>(paletteRgb.size())) size *= 2;
    ColorMapObject* map = GifMakeMapObject(size, nullptr);
    for (size_t i = 0; i < paletteRgb.size(); ++i)
        map->Colors[i] = {static_cast<GifByteType>(paletteRgb[i] >> 16),
                          static_cast<GifByteType>(paletteRgb[i] >> 8),
                          static_cast<GifByteType>(paletteRgb[i])};
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, screenWidth, screenHeight, 8, 0, map);
    for (const GifFrame& f : frames) {
        GraphicsControlBlock gcb{};
        gcb.DisposalMode = f.disposal;
        gcb.TransparentColor = f.transparent;
        GifByteType extension[4];
        const size_t length = EGifGCBToExtension(&gcb, extension);
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension);
        EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, false, nullptr);
        std::vector<GifPixelType> row(static_cast<size_t>(f.width));
        for (int y = 0; y < f.height; ++y) {
            std::copy_n(f.indices.begin() + static_cast<long>(y) * f.width, f.width, row.begin());
            EGifPutLine(gif, row.data(), f.width);
        }
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
}

void writeBmp24(const std::string& path, const Picture& picture, int32_t pelsPerMeter) {
    const uint32_t rowBytes = (picture.width * 3 + 3) & ~3u;
    const uint32_t dataSize = rowBytes * picture.height;
    std::vector<uint8_t> out(54 + dataSize, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, static_cast<uint32_t>(out.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, picture.width);
    put32(22, picture.height);
    out[26] = 1;
    out[28] = 24;
    put32(34, dataSize);
    put32(38, static_cast<uint32_t>(pelsPerMeter));
    put32(42, static_cast<uint32_t>(pelsPerMeter));
    for (uint32_t y = 0; y < picture.height; ++y) {
        uint8_t* row = &out[54 + size_t{picture.height - 1 - y} * rowBytes];
        for (uint32_t x = 0; x < picture.width; ++x) {
            const uint8_t* s = picture.at(x, y);
            row[3 * x] = s[2];
            row[3 * x + 1] = s[1];
            row[3 * x + 2] = s[0];
        }
    }
    writeBytes(path, out);
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void spoilPage(const std::string& path, uint16_t index, uint8_t fill) {
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    ASSERT_TRUE(tif && TIFFSetDirectory(tif, index));
    const uint64_t at = TIFFGetStrileOffset(tif, 0);
    TIFFClose(tif);
    std::vector<uint8_t> bytes = readBytes(path);
    ASSERT_LE(at + 8, bytes.size());
    std::fill(bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(at) + 8, fill);
    writeBytes(path, bytes);
}

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int channelDistance(uint32_t a, uint32_t b) {
    int worst = 0;
    for (int shift = 0; shift < 32; shift += 8)
        worst = std::max(worst, std::abs(static_cast<int>((a >> shift) & 255) -
                                         static_cast<int>((b >> shift) & 255)));
    return worst;
}

orvelle::GUID encoderFor(const char* mime) {
    orvelle::GUID clsid{};
    orvelle::FindEncoderByMime(mime, clsid);
    return clsid;
}

std::unique_ptr<orvelle::TGPImage> load(const std::string& path) {
    return std::unique_ptr<orvelle::TGPImage>(new orvelle::TGPImage(orvelle::widenPath(path), false));
}

uint32_t pixel(orvelle::TGPImage& image, uint32_t x, uint32_t y) {
    gdip::ARGB colour = 0;
    EXPECT_EQ(gdip::GdipBitmapGetPixel(image.NativeHandle, static_cast<int32_t>(x),
                                       static_cast<int32_t>(y), &colour),
              gdip::Ok)
        << "pixel " << x << ", " << y;
    return colour;
}

}  // namespace fixtures
