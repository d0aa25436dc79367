// Decoding pictures written by the reference libraries: pixel classes, pixels, resolution,
// frame dimensions and GIF compositing.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tiffio.h>

#include <cstdlib>

#include "support/fixtures.h"

using namespace orvelle;
using fixtures::Picture;
using fixtures::TempDir;
using fixtures::TiffKind;
using fixtures::TiffPage;

namespace {

struct TiffCase {
    const char* name;
    TiffPage page;
    PixelFormat format;
    int tolerance;
};

class TiffDecoding : public ::testing::TestWithParam<TiffCase> {};

TEST_P(TiffDecoding, KeepsClassAndPixels) {
    const TiffCase& c = GetParam();
    TempDir dir;
    fixtures::writeTiff(dir.file("page.tif"), {c.page});
    auto image = fixtures::load(dir.file("page.tif"));
    ASSERT_EQ(image->LastStatus, Ok);
    EXPECT_EQ(image->framePixelFormat(), c.format);
    ASSERT_EQ(image->PixelWidth(), c.page.width);
    ASSERT_EQ(image->PixelHeight(), c.page.height);
    int worst = 0;
    for (uint32_t y = 0; y < c.page.height; ++y)
        for (uint32_t x = 0; x < c.page.width; ++x)
            worst = std::max(worst, fixtures::channelDistance(fixtures::pixel(*image, x, y),
                                                    fixtures::tiffPagePixel(c.page, x, y)));
    EXPECT_LE(worst, c.tolerance);
}

constexpr uint16_t kNone = COMPRESSION_NONE, kLzw = COMPRESSION_LZW,
                   kPackBits = COMPRESSION_PACKBITS, kDeflate = COMPRESSION_ADOBE_DEFLATE,
                   kG3 = COMPRESSION_CCITTFAX3, kG4 = COMPRESSION_CCITTFAX4,
                   kJpeg = COMPRESSION_JPEG;

INSTANTIATE_TEST_SUITE_P(
    Layouts, TiffDecoding,
    ::testing::Values(
        TiffCase{"bilevel_g4_white", {TiffKind::Bilevel, 61, 37, kG4, true}, PixelFormat1bppIndexed, 0},
        TiffCase{"bilevel_g3_black", {TiffKind::Bilevel, 61, 37, kG3, false}, PixelFormat1bppIndexed, 0},
        TiffCase{"bilevel_packbits", {TiffKind::Bilevel, 9, 5, kPackBits}, PixelFormat1bppIndexed, 0},
        TiffCase{"bilevel_tiled", {TiffKind::Bilevel, 40, 20, kLzw, true, true}, PixelFormat1bppIndexed, 0},
        TiffCase{"grey8_lzw", {TiffKind::Grey8, 33, 17, kLzw}, PixelFormat8bppIndexed, 0},
        TiffCase{"grey8_white_deflate", {TiffKind::Grey8, 33, 17, kDeflate, true}, PixelFormat8bppIndexed, 0},
        TiffCase{"grey4", {TiffKind::Grey4, 31, 9, kNone}, PixelFormat8bppIndexed, 0},
        TiffCase{"palette_lzw", {TiffKind::Palette8, 30, 11, kLzw}, PixelFormat8bppIndexed, 0},
        TiffCase{"rgb_none", {TiffKind::Rgb, 13, 7, kNone}, PixelFormat24bppRGB, 0},
        TiffCase{"rgb_tiled_deflate", {TiffKind::Rgb, 50, 33, kDeflate, false, true}, PixelFormat24bppRGB, 0},
        TiffCase{"rgba_lzw", {TiffKind::Rgba, 21, 12, kLzw}, PixelFormat32bppARGB, 0},
        TiffCase{"ycbcr_jpeg", {TiffKind::Rgb, 64, 48, kJpeg}, PixelFormat24bppRGB, 200}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TiffDecoding, JpegCompressedPagesKeepTheirColours) {
    // A flat colour survives JPEG compression and chroma subsampling almost exactly.
    TempDir dir;
    const std::string path = dir.file("flat.tif");
    Picture flat{32, 32, 3, {}};
    for (int i = 0; i < 32 * 32; ++i) flat.samples.insert(flat.samples.end(), {200, 40, 90});
    fixtures::writePictureTiff(path, flat, COMPRESSION_JPEG);
    auto image = fixtures::load(path);
    ASSERT_EQ(image->LastStatus, Ok);
    EXPECT_LE(fixtures::channelDistance(fixtures::pixel(*image, 17, 9), 0xFFC8285Au), 3);
}

// LZW strips as scanners and libtiff write them: the horizontal predictor on 8-bit samples,
// strips of a few rows with a short last one, and bits stored in reverse order.
TEST(TiffDecoding, LzwStripsWithThePredictorAndReversedBits) {
    struct Case {
        const char* name;
        int channels;
        uint16_t predictor;
        uint16_t fillOrder;
    };
    const Case cases[] = {
        {"rgb predictor", 3, PREDICTOR_HORIZONTAL, FILLORDER_MSB2LSB},
        {"grey predictor", 1, PREDICTOR_HORIZONTAL, FILLORDER_MSB2LSB},
        {"rgb", 3, PREDICTOR_NONE, FILLORDER_MSB2LSB},
        {"grey bits reversed", 1, PREDICTOR_HORIZONTAL, FILLORDER_LSB2MSB},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Picture picture = fixtures::gradient(37, 23, c.channels);
        const std::string path = dir.file("lzw.tif");
        TIFF* tif = TIFFOpen(path.c_str(), "w");
        ASSERT_NE(tif, nullptr);
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, picture.width);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, picture.height);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, static_cast<uint16_t>(c.channels));
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, c.channels == 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
        TIFFSetField(tif, TIFFTAG_PREDICTOR, c.predictor);
        TIFFSetField(tif, TIFFTAG_FILLORDER, c.fillOrder);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 5u);
        // The predictor differences the row it is given in place.
        std::vector<uint8_t> row;
        for (uint32_t y = 0; y < picture.height; ++y) {
            row.assign(picture.at(0, y), picture.at(0, y) + picture.width * c.channels);
            TIFFWriteScanline(tif, row.data(), y, 0);
        }
        TIFFClose(tif);
        auto image = fixtures::load(path);
        ASSERT_EQ(image->LastStatus, Ok);
        int worst = 0;
        for (uint32_t y = 0; y < picture.height; ++y)
            for (uint32_t x = 0; x < picture.width; ++x) {
                const uint8_t* p = picture.at(x, y);
                const uint32_t expected = c.channels == 3 ? 0xFF000000u | p[0] << 16 | p[1] << 8 | p[2]
                                                          : 0xFF000000u | p[0] * 0x010101u;
                worst = std::max(worst, fixtures::channelDistance(fixtures::pixel(*image, x, y), expected));
            }
        EXPECT_EQ(worst, 0);
    }
}

TEST(Resolution, EachFormatReportsDotsPerInch) {
    TempDir dir;
    const Picture rgb = fixtures::gradient(8, 8, 3);
    fixtures::writeTiff(dir.file("a.tif"), {{TiffKind::Bilevel, 8, 8, kG4, true, false, 300}});
    fixtures::writePng(dir.file("a.png"), rgb, 150);
    fixtures::writeJpeg(dir.file("a.jpg"), rgb, 90, 200);
    fixtures::writeBmp24(dir.file("a.bmp"), rgb, 11811);
    fixtures::writeTiff(dir.file("none.tif"), {{TiffKind::Rgb, 8, 8}});
    const std::pair<const char*, float> expected[] = {
        {"a.tif", 300}, {"a.png", 150}, {"a.jpg", 200}, {"a.bmp", 300}, {"none.tif", 0}};
    for (const auto& [name, dpi] : expected) {
        auto image = fixtures::load(dir.file(name));
        ASSERT_EQ(image->LastStatus, Ok) << name;
        EXPECT_NEAR(image->horizontalResolution(), dpi, 0.05) << name;
        EXPECT_NEAR(image->verticalResolution(), dpi, 0.05) << name;
    }
}

TEST(PngDecoding, ClassesAndExactPixels) {
    TempDir dir;
    for (int channels : {1, 3, 4}) {
        const Picture picture = fixtures::gradient(19, 11, channels);
        const std::string path = dir.file("p" + std::to_string(channels) + ".png");
        fixtures::writePng(path, picture);
        auto image = fixtures::load(path);
        ASSERT_EQ(image->LastStatus, Ok);
        EXPECT_EQ(image->framePixelFormat(), channels == 1   ? PixelFormat8bppIndexed
                                             : channels == 3 ? PixelFormat24bppRGB
                                                             : PixelFormat32bppARGB);
        for (uint32_t y = 0; y < picture.height; ++y)
            for (uint32_t x = 0; x < picture.width; ++x) {
                const uint8_t* s = picture.at(x, y);
                const uint32_t want = channels == 1
                                          ? composeArgb(255, s[0], s[0], s[0])
                                          : composeArgb(channels == 4 ? s[3] : 255, s[0], s[1], s[2]);
                ASSERT_EQ(fixtures::pixel(*image, x, y), want) << x << "," << y;
            }
    }
}

TEST(JpegDecoding, GreyAndColour) {
    TempDir dir;
    fixtures::writeJpeg(dir.file("grey.jpg"), fixtures::gradient(16, 16, 1), 100);
    fixtures::writeJpeg(dir.file("colour.jpg"), fixtures::gradient(16, 16, 3), 100);
    EXPECT_EQ(fixtures::load(dir.file("grey.jpg"))->framePixelFormat(), PixelFormat8bppIndexed);
    auto colour = fixtures::load(dir.file("colour.jpg"));
    EXPECT_EQ(colour->framePixelFormat(), PixelFormat24bppRGB);
    EXPECT_EQ(colour->PixelWidth(), 16u);
}

TEST(BmpDecoding, BottomUpRowsAndExactPixels) {
    TempDir dir;
    const Picture picture = fixtures::gradient(13, 6, 3);  // rows padded to 40 bytes
    fixtures::writeBmp24(dir.file("a.bmp"), picture);
    auto image = fixtures::load(dir.file("a.bmp"));
    ASSERT_EQ(image->framePixelFormat(), PixelFormat24bppRGB);
    for (uint32_t y = 0; y < picture.height; ++y)
        for (uint32_t x = 0; x < picture.width; ++x) {
            const uint8_t* s = picture.at(x, y);
            ASSERT_EQ(fixtures::pixel(*image, x, y), OpaqueColor(s[0], s[1], s[2]));
        }
}

TEST(Dispatch, FormatComesFromContentNotName) {
    TempDir dir;
    fixtures::writePng(dir.file("really-a-png.tif"), fixtures::gradient(4, 4, 3));
    auto image = fixtures::load(dir.file("really-a-png.tif"));
    ASSERT_EQ(image->LastStatus, Ok);
    EXPECT_EQ(image->rawFormat(), ImageFormatPNG);
    ASSERT_EQ(mkfifo(dir.file("pipe.png").c_str(), 0600), 0);
    EXPECT_EQ(fixtures::load(dir.file("pipe.png"))->NativeHandle, nullptr) << "not a regular file";
}

// --- GIF -----------------------------------------------------------------------------------

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

fixtures::GifFrame solid(int left, int top, int width, int height, uint8_t index,
                         int transparent = -1, int disposal = 0) {
    return {left, top, width, height,
            std::vector<uint8_t>(static_cast<size_t>(width * height), index), transparent,
            disposal};
}

TEST(GifDecoding, SingleOpaqueFrameKeepsItsPalette) {
    TempDir dir;
    fixtures::writeGif(dir.file("one.gif"), 4, 3, {kRed, kGreen, kBlue, kWhite},
                       {solid(0, 0, 4, 3, 2)});
    auto image = fixtures::load(dir.file("one.gif"));
    ASSERT_EQ(image->LastStatus, Ok);
    EXPECT_EQ(image->framePixelFormat(), PixelFormat8bppIndexed);
    EXPECT_EQ(fixtures::pixel(*image, 3, 2), 0xFF0000FFu);
    GUID dimension{};
    EXPECT_EQ(image->ListFrameDimensions(&dimension, 1), Ok);
    EXPECT_EQ(dimension, FrameDimensionTime);
}

TEST(GifDecoding, FramesAreCompositedWithDisposal) {
    TempDir dir;
    // Frame 1 fills the screen red; frame 2 draws a green square with a transparent hole and
    // is then cleared to the background; frame 3 draws blue and is restored to what was
    // before it; frame 4 draws nothing new.
    fixtures::GifFrame withHole = solid(1, 1, 3, 3, 1, 0, 2);
    withHole.indices[4] = 0;  // the centre is transparent
    fixtures::writeGif(dir.file("anim.gif"), 6, 5, {kRed, kGreen, kBlue, kWhite},
                       {solid(0, 0, 6, 5, 0, -1, 1), withHole, solid(0, 0, 2, 2, 2, -1, 3),
                        solid(5, 4, 1, 1, 3)});
    auto image = fixtures::load(dir.file("anim.gif"));
    GUID time = FrameDimensionTime;
    ASSERT_EQ(image->CountFrames(&time), 4u);
    EXPECT_EQ(image->framePixelFormat(), PixelFormat32bppARGB);

    ASSERT_EQ(image->ActivateFrame(&time, 1), Ok);
    EXPECT_EQ(fixtures::pixel(*image, 1, 1), 0xFF00FF00u);
    EXPECT_EQ(fixtures::pixel(*image, 2, 2), 0xFFFF0000u) << "transparent pixel shows frame 1";
    EXPECT_EQ(fixtures::pixel(*image, 5, 4), 0xFFFF0000u);

    ASSERT_EQ(image->ActivateFrame(&time, 2), Ok);
    EXPECT_EQ(fixtures::pixel(*image, 0, 0), 0xFF0000FFu);
    EXPECT_EQ(fixtures::pixel(*image, 2, 2), 0x00000000u) << "frame 2 was cleared";
    EXPECT_EQ(fixtures::pixel(*image, 5, 0), 0xFFFF0000u);

    ASSERT_EQ(image->ActivateFrame(&time, 3), Ok);
    EXPECT_EQ(fixtures::pixel(*image, 0, 0), 0xFFFF0000u) << "frame 3 was restored away";
    EXPECT_EQ(fixtures::pixel(*image, 5, 4), 0xFFFFFFFFu);

    ASSERT_EQ(image->ActivateFrame(&time, 1), Ok) << "going back replays from the start";
    EXPECT_EQ(fixtures::pixel(*image, 1, 1), 0xFF00FF00u);
}

TEST(GifDecoding, FrameReachingPastTheScreenIsClipped) {
    TempDir dir;
    fixtures::writeGif(dir.file("wide.gif"), 4, 4, {kRed, kGreen},
                       {solid(0, 0, 4, 4, 0), solid(2, 2, 10, 10, 1)});
    auto image = fixtures::load(dir.file("wide.gif"));
    GUID time = FrameDimensionTime;
    ASSERT_EQ(image->ActivateFrame(&time, 1), Ok);
    EXPECT_EQ(image->PixelWidth(), 4u);
    EXPECT_EQ(fixtures::pixel(*image, 3, 3), 0xFF00FF00u);
    EXPECT_EQ(fixtures::pixel(*image, 1, 1), 0xFFFF0000u);
}

}  // namespace
