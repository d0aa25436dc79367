// The encoders behind saving: palettes, quality, multi-frame protocol and safe writing.
#include <gtest/gtest.h>
#include <png.h>
#include <tiffio.h>

#include "imaging/gdiputil.h"
#include "imaging/output_formats.h"
#include "imaging/text_path.h"
#include "support/fixtures.h"
#include "support/readback.h"

using namespace orvelle;
using fixtures::encoderFor;
using fixtures::TempDir;
using fixtures::TiffKind;

namespace {

GpStatus save(TGPImage& image, const std::string& path, const char* mime,
              const EncoderParameters* parameters = nullptr) {
    const GUID clsid = encoderFor(mime);
    return image.SaveToFile(widenPath(path), &clsid, parameters);
}

TEST(GifEncoding, FewColoursAreExact) {
    TempDir dir;
    // 200 distinct colours: written with an exact palette.
    TGPBitmap bitmap(20, 10, PixelFormat24bppRGB);
    {
        TGPGraphics g(&bitmap);
        for (int i = 0; i < 200; ++i) {
            TGPSolidBrush brush(OpaqueColor(static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), 7));
            EXPECT_EQ(g.PaintRectangle(&brush, i % 20, i / 20, 1, 1), Ok);
        }
    }
    ASSERT_EQ(save(bitmap, dir.file("few.gif"), "image/gif"), Ok);
    const auto gif = fixtures::readGifFirstFrame(dir.file("few.gif"));
    ASSERT_EQ(gif.width, 20u);
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(gif.argb[static_cast<size_t>(i)], OpaqueColor(static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), 7));
}

TEST(GifEncoding, ManyColoursAreQuantisedDeterministically) {
    TempDir dir;
    const fixtures::Picture photo = fixtures::gradient(64, 64, 3);
    fixtures::writePng(dir.file("photo.png"), photo);
    auto image = fixtures::load(dir.file("photo.png"));
    ASSERT_EQ(save(*image, dir.file("a.gif"), "image/gif"), Ok);
    ASSERT_EQ(save(*image, dir.file("b.gif"), "image/gif"), Ok);
    EXPECT_EQ(fixtures::readBytes(dir.file("a.gif")), fixtures::readBytes(dir.file("b.gif")));
    const auto gif = fixtures::readGifFirstFrame(dir.file("a.gif"));
    ASSERT_EQ(gif.argb.size(), 64u * 64u);
    // Error diffusion keeps the average colour of any 8x8 block close to the original.
    for (uint32_t by = 0; by < 64; by += 8)
        for (uint32_t bx = 0; bx < 64; bx += 8) {
            long want = 0, got = 0;
            for (uint32_t y = by; y < by + 8; ++y)
                for (uint32_t x = bx; x < bx + 8; ++x) {
                    want += photo.at(x, y)[1];
                    got += (gif.argb[y * 64 + x] >> 8) & 255;
                }
            EXPECT_NEAR(got / 64.0, want / 64.0, 12.0);
        }
}

TEST(GifEncoding, TransparencySurvives) {
    TempDir dir;
    TGPBitmap bitmap(4, 1, PixelFormat32bppARGB);
    {
        TGPGraphics g(&bitmap);
        TGPSolidBrush red(OpaqueColor(255, 0, 0));
        EXPECT_EQ(g.PaintRectangle(&red, 0, 0, 2, 1), Ok);
    }
    ASSERT_EQ(save(bitmap, dir.file("t.gif"), "image/gif"), Ok);
    const auto gif = fixtures::readGifFirstFrame(dir.file("t.gif"));
    EXPECT_EQ(gif.argb, (std::vector<uint32_t>{0xFFFF0000u, 0xFFFF0000u, 0, 0}));
}

TEST(PngEncoding, IndexedFramesStayIndexed) {
    TempDir dir;
    fixtures::writeTiff(dir.file("p.tif"), {{TiffKind::Palette8, 9, 4}, {TiffKind::Bilevel, 9, 4, COMPRESSION_CCITTFAX4, true}});
    auto image = fixtures::load(dir.file("p.tif"));
    ASSERT_EQ(save(*image, dir.file("palette.png"), "image/png"), Ok);
    GUID page = FrameDimensionPage;
    ASSERT_EQ(image->ActivateFrame(&page, 1), Ok);
    ASSERT_EQ(save(*image, dir.file("bilevel.png"), "image/png"), Ok);
    const auto palette = fixtures::readPng(dir.file("palette.png"));
    EXPECT_EQ(palette.pngColourType, PNG_COLOR_TYPE_PALETTE);
    const auto bilevel = fixtures::readPng(dir.file("bilevel.png"));
    EXPECT_EQ(bilevel.pngColourType, PNG_COLOR_TYPE_GRAY);
    EXPECT_EQ(bilevel.pngBitDepth, 1);
    const fixtures::TiffPage pages[] = {{TiffKind::Palette8, 9, 4}, {TiffKind::Bilevel, 9, 4, COMPRESSION_CCITTFAX4, true}};
    for (uint32_t y = 0; y < 4; ++y)
        for (uint32_t x = 0; x < 9; ++x) {
            EXPECT_EQ(palette.argb[y * 9 + x], fixtures::tiffPagePixel(pages[0], x, y));
            EXPECT_EQ(bilevel.argb[y * 9 + x], fixtures::tiffPagePixel(pages[1], x, y));
        }
}

// Black-and-white pictures written as 24-bit PNG (their own filter and deflate settings):
// RGB, every pixel and the density kept.
TEST(PngEncoding, BlackAndWhitePicturesKeepEveryPixel) {
    TempDir dir;
    struct Case {
        const char* name;
        int32_t width, height;
    };
    const Case cases[] = {{"a page", 1240, 1754}, {"a wide strip of odd width", 4961, 301}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TGPBitmap page(c.width, c.height, PixelFormat24bppRGB);
        ASSERT_EQ(page.setResolution(300, 300), Ok);
        {
            TGPGraphics g(&page);
            TGPSolidBrush white(OpaqueColor(255, 255, 255)), black(OpaqueColor(0, 0, 0));
            ASSERT_EQ(g.PaintRectangle(&white, 0, 0, c.width, c.height), Ok);
            // Letters of a sort: short strokes repeated along lines, and one tall bar.
            for (int32_t y = 40; y + 30 < c.height; y += 61)
                for (int32_t x = 30; x + 9 < c.width; x += 23) ASSERT_EQ(g.PaintRectangle(&black, x, y, 3 + x % 7, 20), Ok);
            ASSERT_EQ(g.PaintRectangle(&black, c.width - 12, 0, 5, c.height), Ok);
        }
        const std::string path = dir.file("bw.png");
        ASSERT_EQ(save(page, path, "image/png"), Ok);
        const fixtures::RgbaImage back = fixtures::readPng(path);
        EXPECT_EQ(back.pngColourType, PNG_COLOR_TYPE_RGB);
        EXPECT_EQ(back.pngBitDepth, 8);
        EXPECT_NEAR(back.dpiX, 300, 0.1);
        ASSERT_EQ(back.width, static_cast<uint32_t>(c.width));
        ASSERT_EQ(back.height, static_cast<uint32_t>(c.height));
        size_t differing = 0;
        for (uint32_t y = 0; y < back.height; ++y)
            for (uint32_t x = 0; x < back.width; ++x)
                differing += back.argb[size_t{y} * back.width + x] != fixtures::pixel(page, x, y);
        EXPECT_EQ(differing, 0u);
    }
}

// Indexed pages keep their class in a BMP too: 8-bit with the palette, 1-bit bilevel.
TEST(BmpEncoding, IndexedFramesStayIndexed) {
    TempDir dir;
    const fixtures::TiffPage pages[] = {{TiffKind::Palette8, 9, 4},
                                        {TiffKind::Bilevel, 11, 3, COMPRESSION_CCITTFAX4, true}};
    fixtures::writeTiff(dir.file("p.tif"), {pages[0], pages[1]});
    auto image = fixtures::load(dir.file("p.tif"));
    GUID page = FrameDimensionPage;
    for (uint32_t k = 0; k < 2; ++k) {
        SCOPED_TRACE(k);
        ASSERT_EQ(image->ActivateFrame(&page, k), Ok);
        const std::string path = dir.file("page" + std::to_string(k) + ".bmp");
        ASSERT_EQ(save(*image, path, "image/bmp"), Ok);
        EXPECT_EQ(fixtures::readBytes(path)[28], k == 0 ? 8 : 1) << "bits per pixel";
        const auto read = fixtures::readBmp24(path);
        ASSERT_EQ(read.width, pages[k].width);
        ASSERT_EQ(read.height, pages[k].height);
        for (uint32_t y = 0; y < read.height; ++y)
            for (uint32_t x = 0; x < read.width; ++x)
                EXPECT_EQ(read.argb[y * read.width + x], fixtures::tiffPagePixel(pages[k], x, y));
    }
}

TEST(JpegEncoding, QualityParameterIsHonoured) {
    TempDir dir;
    fixtures::writePng(dir.file("photo.png"), fixtures::gradient(96, 96, 3));
    auto image = fixtures::load(dir.file("photo.png"));
    EncoderParameterBlock low(EncoderQuality, 20), high(EncoderQuality, 95);
    ASSERT_EQ(save(*image, dir.file("low.jpg"), "image/jpeg", low.block()), Ok);
    ASSERT_EQ(save(*image, dir.file("high.jpg"), "image/jpeg", high.block()), Ok);
    EXPECT_LT(fixtures::readBytes(dir.file("low.jpg")).size(), fixtures::readBytes(dir.file("high.jpg")).size());
    EncoderParameterBlock invalid(EncoderQuality, 101);
    EXPECT_EQ(save(*image, dir.file("bad.jpg"), "image/jpeg", invalid.block()), InvalidParameter);
}

TEST(Saving, FailuresLeaveNoFileAndKeepTheOldOne) {
    TempDir dir;
    TGPBitmap bitmap(3, 3, PixelFormat24bppRGB);
    fixtures::writeBytes(dir.file("keep.png"), {'o', 'l', 'd'});
    const GUID none{};
    EXPECT_NE(bitmap.SaveToFile(widenPath(dir.file("keep.png")), &none, nullptr), Ok) << "no such encoder";
    EXPECT_NE(save(bitmap, dir.path().string(), "image/png"), Ok) << "a folder is no file";
    EXPECT_NE(save(bitmap, dir.file("missing/x.png"), "image/png"), Ok);
    EXPECT_EQ(fixtures::readBytes(dir.file("keep.png")), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(fixtures::listFolder(dir.path().string()), std::vector<std::string>{"keep.png"});
    ASSERT_EQ(save(bitmap, dir.file("keep.png"), "image/png"), Ok);
    EXPECT_EQ(fixtures::readPng(dir.file("keep.png")).width, 3u);
}

TEST(MultiFrame, FileAppearsOnlyWhenFlushed) {
    TempDir dir;
    TGPBitmap first(4, 4, PixelFormat24bppRGB), second(6, 2, PixelFormat24bppRGB);
    SaveFlagParams flags;
    auto destination = std::make_unique<TGPBitmap>(4, 4, PixelFormat24bppRGB);
    ASSERT_EQ(save(*destination, dir.file("m.tif"), "image/tiff", flags.block()), Ok);
    EXPECT_FALSE(std::filesystem::exists(dir.file("m.tif"))) << "still being written";
    EXPECT_EQ(destination->AppendFrame(&second, flags.block()), InvalidParameter)
        << "appending needs the page flag";
    flags.setValue(EncoderValueFrameDimensionPage);
    EXPECT_EQ(destination->AppendFrame(&second, flags.block()), Ok);
    EXPECT_EQ(first.AppendFrame(&second, flags.block()), WrongState) << "not a multi-frame output";
    flags.setValue(EncoderValueFlush);
    EXPECT_EQ(destination->AppendFrame(destination.get(), flags.block()), Ok);
    const auto pages = fixtures::readTiffPages(dir.file("m.tif"));
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[1].width, 6u);
    EXPECT_EQ(destination->AppendFrame(&second, flags.block()), WrongState) << "already complete";
    destination.reset();
    EXPECT_EQ(fixtures::listFolder(dir.path().string()), std::vector<std::string>{"m.tif"});
}

// Releasing an output that was never flushed means its writer stopped early: the partial
// file is dropped and a file of that name stays as it was.
TEST(MultiFrame, ReleasedUnflushedOutputLeavesExistingFileUntouched) {
    TempDir dir;
    const std::string target = dir.file("m.tif");
    const std::vector<uint8_t> old{'o', 'l', 'd'};
    fixtures::writeBytes(target, old);
    SaveFlagParams flags;
    TGPBitmap second(6, 2, PixelFormat24bppRGB);
    auto destination = std::make_unique<TGPBitmap>(4, 4, PixelFormat24bppRGB);
    ASSERT_EQ(save(*destination, target, "image/tiff", flags.block()), Ok);
    flags.setValue(EncoderValueFrameDimensionPage);
    ASSERT_EQ(destination->AppendFrame(&second, flags.block()), Ok);
    destination.reset();
    EXPECT_EQ(fixtures::readBytes(target), old);
    EXPECT_EQ(fixtures::listFolder(dir.path().string()), std::vector<std::string>{"m.tif"});
}

}  // namespace
