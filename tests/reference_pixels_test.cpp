// Decoded pixels of public conformance files against an independent decode: libtiff's RGBA
// reader, libpng's own transforms, libjpeg and giflib read directly.
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <png.h>
#include <tiffio.h>

#include <cstdio>
#include <cstring>


#include "support/fixtures.h"
#include "support/readback.h"

using namespace orvelle;

namespace {

std::string corpus(const std::string& name) { return (fixtures::corpusDir() / name).string(); }

// The worst per-channel difference between our active frame and `expected` (RGBA bytes).
int worstDifference(TGPImage& image, const std::vector<uint8_t>& expected, uint32_t width,
                    uint32_t height, bool premultiplyOurs) {
    int worst = 0;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t ours = fixtures::pixel(image, x, y);
            const uint8_t* want = &expected[(size_t{y} * width + x) * 4];
            uint32_t a = ours >> 24, r = (ours >> 16) & 255, g = (ours >> 8) & 255, b = ours & 255;
            if (premultiplyOurs) {
                r = (r * a + 127) / 255;
                g = (g * a + 127) / 255;
                b = (b * a + 127) / 255;
            }
            const int d[] = {std::abs(int(r) - want[0]), std::abs(int(g) - want[1]),
                             std::abs(int(b) - want[2]), std::abs(int(a) - want[3])};
            for (int v : d) worst = std::max(worst, v);
        }
    return worst;
}

// The current page as libtiff's RGBA reader gives it, top row first, as RGBA bytes.
bool readLibtiffRgba(TIFF* tif, uint32_t width, uint32_t height, std::vector<uint8_t>& rgba) {
    std::vector<uint32_t> raster(size_t{width} * height);
    if (!TIFFReadRGBAImageOriented(tif, width, height, raster.data(), ORIENTATION_TOPLEFT, 0)) return false;
    rgba.resize(raster.size() * 4);
    for (size_t i = 0; i < raster.size(); ++i) {
        rgba[4 * i] = static_cast<uint8_t>(TIFFGetR(raster[i]));
        rgba[4 * i + 1] = static_cast<uint8_t>(TIFFGetG(raster[i]));
        rgba[4 * i + 2] = static_cast<uint8_t>(TIFFGetB(raster[i]));
        rgba[4 * i + 3] = static_cast<uint8_t>(TIFFGetA(raster[i]));
    }
    return true;
}

// How many pixels of our active frame differ from a reference decode of the same size.
int mismatches(TGPImage& image, const fixtures::RgbaImage& expected) {
    int count = 0;
    for (uint32_t y = 0; y < expected.height; ++y)
        for (uint32_t x = 0; x < expected.width; ++x)
            if (fixtures::pixel(image, x, y) != expected.argb[size_t{y} * expected.width + x]) ++count;
    return count;
}

// --- TIFF ----------------------------------------------------------------------------------

class TiffReference : public ::testing::TestWithParam<std::string> {};

TEST_P(TiffReference, EveryPageMatchesLibtiffRgba) {
    const std::string path = corpus(GetParam());
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    ASSERT_NE(tif, nullptr);
    auto image = fixtures::load(path);
    ASSERT_EQ(image->LastStatus, Ok);
    GUID page = FrameDimensionPage;
    const uint32_t pages = image->CountFrames(&page);
    ASSERT_EQ(pages, static_cast<uint32_t>(TIFFNumberOfDirectories(tif)));
    for (uint32_t index = 0; index < pages; ++index) {
        SCOPED_TRACE("page " + std::to_string(index + 1));
        ASSERT_TRUE(TIFFSetDirectory(tif, static_cast<tdir_t>(index)));
        uint32_t width = 0, height = 0;
        TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
        TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
        std::vector<uint8_t> expected;
        ASSERT_TRUE(readLibtiffRgba(tif, width, height, expected));
        ASSERT_EQ(image->ActivateFrame(&page, index), Ok);
        ASSERT_EQ(image->PixelWidth(), width);
        ASSERT_EQ(image->PixelHeight(), height);
        // libtiff hands alpha out premultiplied; ours is straight.
        const bool alpha = image->framePixelFormat() == PixelFormat32bppARGB;
        EXPECT_LE(worstDifference(*image, expected, width, height, alpha), alpha ? 1 : 0);
    }
    TIFFClose(tif);
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, TiffReference,
    ::testing::ValuesIn(fixtures::whenCorpusPresent(std::vector<std::string>{"pillow-tiff/hopper.tif", "pillow-tiff/hopper_lzw.tif",
                      "pillow-tiff/hopper_g4.tif", "pillow-tiff/hopper_jpg.tif",
                      "pillow-tiff/hopper2.tif", "pillow-tiff/hopper_gray_4bpp.tif",
                      "pillow-tiff/hopper_bigtiff.tif", "pillow-tiff/multipage.tiff",
                      "pillow-tiff/multipage-mmap.tiff", "pillow-tiff/g4-multi.tiff",
                      "pillow-tiff/tiff_strip_ycbcr_jpeg_2x2_sampling.tif",
                      "pillow-tiff/tiff_tiled_ycbcr_jpeg_2x2_sampling.tif",
                      "pillow-tiff/tiff_strip_planar_lzw.tiff",
                      "pillow-tiff/tiff_tiled_planar_lzw.tiff", "pillow-tiff/tiff_16bit_RGB.tiff",
                      "pillow-tiff/tiff_16bit_RGBa.tiff", "pillow-tiff/tiff_tiled_cmyk_jpeg.tif",
                      "pillow-tiff/compression.tif", "libtiff/palette-1c-1b.tiff",
                      "libtiff/palette-1c-4b.tiff", "libtiff/palette-1c-8b.tiff",
                      "libtiff/quad-tile.jpg.tiff", "libtiff/miniswhite-1c-1b.tiff",
                      "libtiff/testfax4.tiff", "libtiff/minisblack-2c-8b-alpha.tiff",
                      "libtiff/rgb-3c-16b.tiff", "libtiff/lzw-single-strip.tiff"})));

// --- Every tiled layout, against libtiff's RGBA reader on the same pixels in strips ----------

struct TiledLayout {
    uint16_t bits, samples, planar;
    uint32_t width, height;  // tiles are 16 x 16
};

std::string layoutName(const ::testing::TestParamInfo<TiledLayout>& info) {
    const TiledLayout& l = info.param;
    return std::to_string(l.bits) + "bit_" + std::to_string(l.samples) + "samples_" +
           (l.planar == PLANARCONFIG_SEPARATE ? "planar_" : "") + std::to_string(l.width) + "x" +
           std::to_string(l.height);
}

// One page of `l` whose samples follow a ramp that differs in every column, row and plane.
void writeLayout(const std::string& path, const TiledLayout& l, bool tiled) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, l.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, l.height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, l.bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, l.samples);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, l.planar);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, l.samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    if (l.samples == 2 || l.samples == 4) {
        const uint16_t kind = EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &kind);
    }
    if (tiled) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, 16);
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 5);
    }
    const uint32_t planes = l.planar == PLANARCONFIG_SEPARATE ? l.samples : 1;
    const uint32_t perPixel = l.planar == PLANARCONFIG_SEPARATE ? 1 : l.samples;
    const uint32_t maximum = (1u << l.bits) - 1;
    auto sample = [&](uint32_t x, uint32_t y, uint32_t s) {
        if (l.samples % 2 == 0 && s == l.samples - 1u) return maximum - (x * 7 + y * 3) % (maximum / 2 + 1);
        return (x * 2654435761u + y * 40503u + s * 977u) % (maximum + 1);
    };
    // Whole-picture rows, packed MSB first, then cut into tiles or strips by libtiff's layout.
    const size_t rowBytes = (size_t{l.width} * perPixel * l.bits + 7) / 8;
    for (uint32_t plane = 0; plane < planes; ++plane) {
        std::vector<uint8_t> rows(rowBytes * l.height);
        for (uint32_t y = 0; y < l.height; ++y)
            for (uint32_t x = 0; x < l.width; ++x)
                for (uint32_t k = 0; k < perPixel; ++k) {
                    const uint32_t value = sample(x, y, planes > 1 ? plane : k);
                    const size_t index = size_t{x} * perPixel + k;
                    uint8_t* row = rows.data() + y * rowBytes;
                    if (l.bits == 16) {
                        const uint16_t v = static_cast<uint16_t>(value);
                        std::memcpy(row + 2 * index, &v, 2);
                    } else {
                        const size_t bit = index * l.bits;
                        row[bit / 8] |= static_cast<uint8_t>(value << (8 - l.bits - bit % 8));
                    }
                }
        if (!tiled) {
            for (uint32_t y = 0; y < l.height; ++y)
                ASSERT_EQ(TIFFWriteScanline(tif, rows.data() + y * rowBytes, y, static_cast<uint16_t>(plane)), 1);
            continue;
        }
        std::vector<uint8_t> tile(static_cast<size_t>(TIFFTileSize(tif)));
        const size_t tileRowBytes = static_cast<size_t>(TIFFTileRowSize(tif));
        for (uint32_t ty = 0; ty < l.height; ty += 16)
            for (uint32_t tx = 0; tx < l.width; tx += 16) {
                std::fill(tile.begin(), tile.end(), 0);
                const size_t from = size_t{tx} * perPixel * l.bits / 8;
                for (uint32_t r = 0; r < 16 && ty + r < l.height; ++r)
                    std::memcpy(tile.data() + r * tileRowBytes, rows.data() + (ty + r) * rowBytes + from,
                                std::min(tileRowBytes, rowBytes - from));
                ASSERT_GE(TIFFWriteTile(tif, tile.data(), tx, ty, 0, static_cast<uint16_t>(plane)), 0);
            }
    }
    ASSERT_TRUE(TIFFWriteDirectory(tif));
    TIFFClose(tif);
}

class TiledLayouts : public ::testing::TestWithParam<TiledLayout> {};

TEST_P(TiledLayouts, TilesAndStripsDecodeAsLibtiffReadsTheStrips) {
    const TiledLayout& l = GetParam();
    fixtures::TempDir dir;
    const std::string tiledPath = dir.file("tiled.tif"), stripsPath = dir.file("strips.tif");
    writeLayout(tiledPath, l, true);
    writeLayout(stripsPath, l, false);
    // The strips are the reference: libtiff's RGBA reader misreads some tiles of partial width.
    TIFF* tif = TIFFOpen(stripsPath.c_str(), "r");
    ASSERT_NE(tif, nullptr);
    std::vector<uint8_t> expected;
    const bool read = readLibtiffRgba(tif, l.width, l.height, expected);
    TIFFClose(tif);
    ASSERT_TRUE(read);
    for (const std::string& path : {tiledPath, stripsPath}) {
        SCOPED_TRACE(path);
        auto image = fixtures::load(path);
        ASSERT_EQ(image->LastStatus, Ok);
        ASSERT_EQ(image->PixelWidth(), l.width);
        const bool alpha = image->framePixelFormat() == PixelFormat32bppARGB;
        // libtiff premultiplies alpha, except for 8-bit grey with its alpha interleaved,
        // which it hands out straight.
        const bool premultiplied = alpha && !(l.samples == 2 && l.bits == 8 && l.planar == PLANARCONFIG_CONTIG);
        EXPECT_LE(worstDifference(*image, expected, l.width, l.height, premultiplied), alpha ? 1 : 0);
    }
}

std::vector<TiledLayout> tiledLayouts() {
    std::vector<TiledLayout> layouts;
    const std::pair<uint32_t, uint32_t> sizes[] = {{32, 48}, {37, 21}};
    for (const auto& [width, height] : sizes) {
        for (uint16_t bits : {1, 2, 4, 8, 16}) layouts.push_back({bits, 1, PLANARCONFIG_CONTIG, width, height});
        for (uint16_t bits : {8, 16})
            for (uint16_t samples : {2, 3, 4})
                for (uint16_t planar : {PLANARCONFIG_CONTIG, PLANARCONFIG_SEPARATE})
                    layouts.push_back({bits, samples, planar, width, height});
    }
    return layouts;
}

INSTANTIATE_TEST_SUITE_P(Generated, TiledLayouts, ::testing::ValuesIn(tiledLayouts()), layoutName);

// --- PNG -----------------------------------------------------------------------------------

class PngReference : public ::testing::TestWithParam<std::string> {};

TEST_P(PngReference, MatchesLibpng) {
    const std::string path = corpus("pngsuite/" + GetParam() + ".png");
    const fixtures::RgbaImage expected = fixtures::readPng(path);
    auto image = fixtures::load(path);
    ASSERT_EQ(image->LastStatus, Ok);
    ASSERT_EQ(image->PixelWidth(), expected.width);
    ASSERT_EQ(image->PixelHeight(), expected.height);
    EXPECT_EQ(mismatches(*image, expected), 0);
}

INSTANTIATE_TEST_SUITE_P(Suite, PngReference,
                         ::testing::ValuesIn(fixtures::whenCorpusPresent(std::vector<std::string>{"basn0g01", "basn0g02", "basn0g04", "basn0g08",
                                           "basn0g16", "basn2c08", "basn2c16", "basn3p01",
                                           "basn3p02", "basn3p04", "basn3p08", "basn4a08",
                                           "basn4a16", "basn6a08", "basn6a16", "basi0g01",
                                           "basi2c16", "basi3p04", "basi6a08", "tbbn3p08",
                                           "tbrn2c08", "tbwn0g16", "tp0n3p08", "s01i3p01",
                                           "s39i3p04", "oi9n2c16", "f04n2c08", "z09n2c08"})));

// --- JPEG ----------------------------------------------------------------------------------

class JpegReference : public ::testing::TestWithParam<std::string> {};

TEST_P(JpegReference, MatchesLibjpeg) {
    const std::string path = corpus(GetParam());
    const fixtures::RgbaImage expected = fixtures::readJpeg(path);
    auto image = fixtures::load(path);
    ASSERT_EQ(image->LastStatus, Ok);
    ASSERT_EQ(image->PixelWidth(), expected.width);
    ASSERT_EQ(image->PixelHeight(), expected.height);
    EXPECT_EQ(mismatches(*image, expected), 0);
}

INSTANTIATE_TEST_SUITE_P(Corpus, JpegReference,
                         ::testing::ValuesIn(fixtures::whenCorpusPresent(std::vector<std::string>{"libjpeg-turbo/testorig.jpg",
                                           "libjpeg-turbo/testimgint.jpg",
                                           "libjpeg-turbo/testimgari.jpg",
                                           "pillow-jpeg/hopper.jpg",
                                           "pillow-jpeg/hopper_gray.jpg",
                                           "jpeg-decoder/non-interleaved-mcu.jpg"})));

// Adobe CMYK JPEGs (inverted samples) against the reference pictures stored beside them,
// which a browser's decoder made: the conversion to RGB must agree within rounding.
class CmykJpegReference : public ::testing::TestWithParam<std::string> {};

TEST_P(CmykJpegReference, MatchesItsReferencePicture) {
    const std::string stem = corpus(GetParam());
    const fixtures::RgbaImage expected = fixtures::readPng(stem + ".png");
    auto image = fixtures::load(stem + ".jpg");
    ASSERT_EQ(image->LastStatus, Ok);
    ASSERT_EQ(image->PixelWidth(), expected.width);
    ASSERT_EQ(image->PixelHeight(), expected.height);
    int worst = 0;
    for (uint32_t y = 0; y < expected.height; ++y)
        for (uint32_t x = 0; x < expected.width; ++x)
            worst = std::max(worst, fixtures::channelDistance(fixtures::pixel(*image, x, y),
                                                              expected.argb[size_t{y} * expected.width + x]));
    EXPECT_LE(worst, 2);
}

INSTANTIATE_TEST_SUITE_P(Corpus, CmykJpegReference,
                         ::testing::ValuesIn(fixtures::whenCorpusPresent(std::vector<std::string>{
                             "jpeg-decoder/mozilla/jpg-cmyk-1", "jpeg-decoder/mozilla/jpg-cmyk-2"})));

// --- GIF -----------------------------------------------------------------------------------

class GifReference : public ::testing::TestWithParam<std::string> {};

TEST_P(GifReference, FirstFrameMatchesGiflib) {
    const std::string path = corpus(GetParam());
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    ASSERT_NE(gif, nullptr);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    const uint32_t width = static_cast<uint32_t>(gif->SWidth), height = static_cast<uint32_t>(gif->SHeight);
    const SavedImage& first = gif->SavedImages[0];
    GraphicsControlBlock gcb{};
    gcb.TransparentColor = NO_TRANSPARENT_COLOR;
    DGifSavedExtensionToGCB(gif, 0, &gcb);
    const ColorMapObject* map = first.ImageDesc.ColorMap ? first.ImageDesc.ColorMap : gif->SColorMap;
    std::vector<uint8_t> expected(size_t{width} * height * 4, 0);
    const GifImageDesc& d = first.ImageDesc;
    for (int y = 0; y < d.Height; ++y)
        for (int x = 0; x < d.Width; ++x) {
            const int index = first.RasterBits[y * d.Width + x];
            const uint32_t sx = static_cast<uint32_t>(d.Left + x), sy = static_cast<uint32_t>(d.Top + y);
            if (index == gcb.TransparentColor || sx >= width || sy >= height) continue;
            uint8_t* p = &expected[(size_t{sy} * width + sx) * 4];
            if (index < map->ColorCount) {
                p[0] = map->Colors[index].Red;
                p[1] = map->Colors[index].Green;
                p[2] = map->Colors[index].Blue;
            }
            p[3] = 255;
        }
    DGifCloseFile(gif, &error);

    auto image = fixtures::load(path);
    ASSERT_EQ(image->LastStatus, Ok);
    ASSERT_EQ(image->PixelWidth(), width);
    EXPECT_EQ(worstDifference(*image, expected, width, height, false), 0);
}

INSTANTIATE_TEST_SUITE_P(Corpus, GifReference,
                         ::testing::ValuesIn(fixtures::whenCorpusPresent(std::vector<std::string>{"giflib/porsche.gif", "giflib/treescap-interlaced.gif",
                                           "giflib/welcome2.gif", "giflib/fire.gif",
                                           "giflib/x-trans.gif", "pillow-gif/chi.gif"})));

// --- BMP: the same picture in different encodings decodes to the same pixels ----------------

struct SamePicture {
    const char* reference;
    const char* variant;
};

void PrintTo(const SamePicture& pair, std::ostream* out) {
    *out << pair.reference << " ~ " << pair.variant;
}

class BmpEncodings : public ::testing::TestWithParam<SamePicture> {};

TEST_P(BmpEncodings, DecodeAlike) {
    auto reference = fixtures::load(corpus(std::string("bmpsuite/") + GetParam().reference));
    auto variant = fixtures::load(corpus(std::string("bmpsuite/") + GetParam().variant));
    ASSERT_EQ(reference->LastStatus, Ok);
    ASSERT_EQ(variant->LastStatus, Ok);
    ASSERT_EQ(variant->PixelWidth(), reference->PixelWidth());
    ASSERT_EQ(variant->PixelHeight(), reference->PixelHeight());
    int mismatches = 0;
    for (uint32_t y = 0; y < reference->PixelHeight(); ++y)
        for (uint32_t x = 0; x < reference->PixelWidth(); ++x)
            if (fixtures::pixel(*reference, x, y) != fixtures::pixel(*variant, x, y)) ++mismatches;
    EXPECT_EQ(mismatches, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Suite, BmpEncodings,
    ::testing::ValuesIn(fixtures::whenCorpusPresent(std::vector<SamePicture>{SamePicture{"g/rgb24.bmp", "g/rgb32.bmp"},
                      SamePicture{"g/rgb24.bmp", "g/rgb32bf.bmp"},
                      SamePicture{"g/rgb24.bmp", "g/rgb24pal.bmp"},
                      SamePicture{"g/rgb24.bmp", "q/rgb32-xbgr.bmp"},
                      SamePicture{"g/pal8.bmp", "g/pal8rle.bmp"},
                      SamePicture{"g/pal8.bmp", "g/pal8topdown.bmp"},
                      SamePicture{"g/pal8.bmp", "g/pal8os2.bmp"},
                      SamePicture{"g/pal8.bmp", "g/pal8v5.bmp"},
                      SamePicture{"g/pal8.bmp", "g/pal8-0.bmp"},
                      SamePicture{"g/pal4.bmp", "g/pal4rle.bmp"},
                      SamePicture{"g/rgb16.bmp", "g/rgb16bfdef.bmp"}})),
    [](const auto& info) {
        std::string name = std::string(info.param.reference) + "_" + info.param.variant;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        return name;
    });


GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(TiffReference);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(PngReference);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(JpegReference);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(CmykJpegReference);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(GifReference);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(BmpEncodings);

}  // namespace
