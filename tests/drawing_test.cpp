// Drawing surfaces: clears, fills, outlines, scaled drawing and thumbnails.
#include <gtest/gtest.h>

#include <set>

#include "support/fixtures.h"

using namespace orvelle;

namespace {

// A bitmap whose pixel (x, y) is OpaqueColor(x, y, 7).
std::unique_ptr<TGPBitmap> coordinates(int width, int height) {
    auto bitmap = std::make_unique<TGPBitmap>(width, height, PixelFormat24bppRGB);
    TGPGraphics graphics(bitmap.get());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            TGPSolidBrush brush(OpaqueColor(static_cast<uint8_t>(x), static_cast<uint8_t>(y), 7));
            EXPECT_EQ(graphics.PaintRectangle(&brush, x, y, 1, 1), Ok);
        }
    return bitmap;
}

uint32_t sourceX(uint32_t argb) { return (argb >> 16) & 255; }
uint32_t sourceY(uint32_t argb) { return (argb >> 8) & 255; }

TEST(Drawing, NewBitmapsStartBlack) {
    TGPBitmap bitmap(3, 2, PixelFormat24bppRGB);
    EXPECT_EQ(fixtures::pixel(bitmap, 2, 1), 0xFF000000u);
}

struct ScaleCase {
    int srcWidth, srcHeight, dstWidth, dstHeight;
};

class NearestNeighbour : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(NearestNeighbour, EveryPixelIsExactlyOneSourcePixelInOrder) {
    const ScaleCase c = GetParam();
    auto source = coordinates(c.srcWidth, c.srcHeight);
    TGPBitmap target(c.dstWidth, c.dstHeight, PixelFormat24bppRGB);
    {
        TGPGraphics graphics(&target);
        EXPECT_EQ(graphics.SetScalingMode(InterpolationModeNearestNeighbor), Ok);
        ASSERT_EQ(graphics.DrawImageScaled(source.get(), PixelRect(0, 0, c.dstWidth, c.dstHeight),
                                           0, 0, c.srcWidth, c.srcHeight, UnitPixel),
                  Ok);
    }
    std::set<uint32_t> columns;
    for (int y = 0; y < c.dstHeight; ++y)
        for (int x = 0; x < c.dstWidth; ++x) {
            const uint32_t p = fixtures::pixel(target, x, y);
            ASSERT_EQ(p & 0xFF, 7u) << "no blending of neighbours";
            // The source pixel whose span holds the destination pixel's centre.
            EXPECT_EQ(sourceX(p), static_cast<uint32_t>((2 * x + 1) * c.srcWidth / (2 * c.dstWidth)));
            EXPECT_EQ(sourceY(p), static_cast<uint32_t>((2 * y + 1) * c.srcHeight / (2 * c.dstHeight)));
            columns.insert(sourceX(p));
        }
    if (c.dstWidth >= c.srcWidth) {
        EXPECT_EQ(columns.size(), static_cast<size_t>(c.srcWidth)) << "every column is shown";
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, NearestNeighbour,
                         ::testing::Values(ScaleCase{5, 4, 5, 4}, ScaleCase{4, 4, 8, 8},
                                           ScaleCase{3, 2, 7, 5}, ScaleCase{25, 35, 2, 4},
                                           ScaleCase{200, 3, 67, 1}, ScaleCase{7, 7, 1, 1}));

TEST(Drawing, LowQualityScalingBlendsNeighbours) {
    auto source = coordinates(2, 1);  // red 0 and red 1: widen the difference
    TGPBitmap wide(2, 1, PixelFormat24bppRGB);
    {
        TGPGraphics g(&wide);
        TGPSolidBrush black(OpaqueColor(0, 0, 0)), white(OpaqueColor(255, 255, 255));
        EXPECT_EQ(g.PaintRectangle(&black, 0, 0, 1, 1), Ok);
        EXPECT_EQ(g.PaintRectangle(&white, 1, 0, 1, 1), Ok);
    }
    TGPBitmap target(8, 1, PixelFormat24bppRGB);
    {
        TGPGraphics g(&target);
        EXPECT_EQ(g.SetScalingMode(InterpolationModeLowQuality), Ok);
        EXPECT_EQ(g.DrawImageScaled(&wide, PixelRect(0, 0, 8, 1), 0, 0, 2, 1, UnitPixel), Ok);
    }
    uint32_t previous = 0;
    for (int x = 0; x < 8; ++x) {
        const uint32_t level = fixtures::pixel(target, x, 0) & 255;
        EXPECT_GE(level, previous);
        previous = level;
    }
    EXPECT_EQ(fixtures::pixel(target, 0, 0), 0xFF000000u);
    EXPECT_EQ(fixtures::pixel(target, 7, 0), 0xFFFFFFFFu);
    const uint32_t middle = fixtures::pixel(target, 4, 0) & 255;
    EXPECT_GT(middle, 40u);
    EXPECT_LT(middle, 215u);

    // At its own size the low-quality mode copies exactly.
    TGPBitmap copy(5, 4, PixelFormat24bppRGB);
    auto pattern = coordinates(5, 4);
    {
        TGPGraphics g(&copy);
        EXPECT_EQ(g.SetScalingMode(InterpolationModeLowQuality), Ok);
        EXPECT_EQ(g.DrawImageScaled(pattern.get(), PixelRect(0, 0, 5, 4), 0, 0, 5, 4, UnitPixel), Ok);
    }
    EXPECT_EQ(fixtures::pixel(copy, 3, 2), OpaqueColor(3, 2, 7));
}

TEST(Drawing, TransparentPixelsLetTheBackgroundShow) {
    TGPBitmap overlay(2, 1, PixelFormat32bppARGB);  // starts fully transparent
    {
        TGPGraphics g(&overlay);
        TGPSolidBrush red(OpaqueColor(255, 0, 0));
        EXPECT_EQ(g.PaintRectangle(&red, 1, 0, 1, 1), Ok);
    }
    TGPBitmap target(2, 1, PixelFormat24bppRGB);
    {
        TGPGraphics g(&target);
        EXPECT_EQ(g.FillSurface(OpaqueColor(0, 0, 255)), Ok);
        EXPECT_EQ(g.DrawImageAt(&overlay, 0, 0, 2, 1), Ok);
    }
    EXPECT_EQ(fixtures::pixel(target, 0, 0), 0xFF0000FFu);
    EXPECT_EQ(fixtures::pixel(target, 1, 0), 0xFFFF0000u);
}

TEST(Drawing, HalfTransparentColourBlends) {
    TGPBitmap target(1, 1, PixelFormat24bppRGB);
    TGPGraphics g(&target);
    EXPECT_EQ(g.FillSurface(OpaqueColor(0, 0, 0)), Ok);
    TGPSolidBrush half(composeArgb(128, 255, 255, 255));
    EXPECT_EQ(g.PaintRectangle(&half, 0, 0, 1, 1), Ok);
    EXPECT_NEAR(static_cast<int>(fixtures::pixel(target, 0, 0) & 255), 128, 1);
}

TEST(Drawing, TwoPixelPenOutlinesTheTileBorder) {
    TGPBitmap tile(120, 120, PixelFormat24bppRGB);
    {
        TGPGraphics g(&tile);
        EXPECT_EQ(g.FillSurface(OpaqueColor(255, 255, 255)), Ok);
        TGPPen pen(0, 2.0f);
        EXPECT_EQ(pen.ChangeColor(OpaqueColor(200, 200, 200)), Ok);
        EXPECT_EQ(g.OutlineRectangle(&pen, PixelRect(0, 0, 120, 120)), Ok);
    }
    const uint32_t grey = 0xFFC8C8C8u, white = 0xFFFFFFFFu;
    for (int i : {0, 1, 60, 118, 119}) {
        EXPECT_EQ(fixtures::pixel(tile, 0, i), grey);
        EXPECT_EQ(fixtures::pixel(tile, 119, i), grey);
        EXPECT_EQ(fixtures::pixel(tile, i, 0), grey);
        EXPECT_EQ(fixtures::pixel(tile, i, 119), grey);
    }
    EXPECT_EQ(fixtures::pixel(tile, 1, 60), white);
    EXPECT_EQ(fixtures::pixel(tile, 118, 60), white);
    EXPECT_EQ(fixtures::pixel(tile, 60, 1), white);
    EXPECT_EQ(fixtures::pixel(tile, 60, 60), white);
}

TEST(Drawing, FillIsClippedToTheSurface) {
    TGPBitmap target(4, 4, PixelFormat24bppRGB);
    TGPGraphics g(&target);
    TGPSolidBrush green(OpaqueColor(0, 255, 0));
    EXPECT_EQ(g.PaintRectangle(&green, -2, -2, 4, 4), Ok);
    EXPECT_EQ(g.PaintRectangle(&green, 100, 100, 4, 4), Ok);
    EXPECT_EQ(fixtures::pixel(target, 1, 1), 0xFF00FF00u);
    EXPECT_EQ(fixtures::pixel(target, 2, 1), 0xFF000000u);
}

TEST(Drawing, DeviceContextSurfaceStaysOpaque) {
    std::vector<uint32_t> pixels(6 * 5, 0x12345678u);
    HDC__ context{pixels.data(), 6, 5, 6 * 4};
    {
        TGPGraphics g(&context);
        ASSERT_EQ(g.LastStatus, Ok);
        EXPECT_EQ(g.FillSurface(composeArgb(0, 10, 20, 30)), Ok);
        auto picture = coordinates(2, 2);
        EXPECT_EQ(g.DrawImageAt(picture.get(), 3, 2, 2, 2), Ok);
    }
    EXPECT_EQ(pixels[0], 0xFF0A141Eu);
    EXPECT_EQ(pixels[3 * 6 + 4], OpaqueColor(1, 1, 7));
}

TEST(Drawing, IndexedPicturesCannotBeDrawnOn) {
    TGPBitmap indexed(4, 4, PixelFormat1bppIndexed);
    TGPGraphics g(&indexed);
    EXPECT_EQ(g.NativeHandle, nullptr);
    EXPECT_NE(g.LastStatus, Ok);
}

TEST(Thumbnail, AreaAverageOfEveryCoveredPixel) {
    // A checkerboard of black and white averages to mid-grey at any even reduction.
    TGPBitmap board(64, 48, PixelFormat24bppRGB);
    {
        TGPGraphics g(&board);
        TGPSolidBrush white(OpaqueColor(255, 255, 255));
        for (int y = 0; y < 48; ++y)
            for (int x = (y % 2); x < 64; x += 2) EXPECT_EQ(g.PaintRectangle(&white, x, y, 1, 1), Ok);
    }
    std::unique_ptr<TGPImage> small(board.MakeThumbnail(8, 6));
    ASSERT_EQ(small->LastStatus, Ok);
    for (uint32_t y = 0; y < 6; ++y)
        for (uint32_t x = 0; x < 8; ++x)
            EXPECT_NEAR(static_cast<int>(fixtures::pixel(*small, x, y) & 255), 128, 1);

    // A flat colour stays that colour at any size, larger or smaller.
    TGPBitmap flat(1000, 750, PixelFormat24bppRGB);
    {
        TGPGraphics g(&flat);
        EXPECT_EQ(g.FillSurface(OpaqueColor(12, 200, 99)), Ok);
    }
    for (auto [w, h] : {std::pair{120u, 90u}, {7u, 1300u}}) {
        std::unique_ptr<TGPImage> t(flat.MakeThumbnail(w, h));
        EXPECT_EQ(fixtures::pixel(*t, w / 2, h - 1), OpaqueColor(12, 200, 99));
    }
}

TEST(Thumbnail, OfTheActivePage) {
    fixtures::TempDir dir;
    using fixtures::TiffKind;
    fixtures::writeTiff(dir.file("two.tif"), {{TiffKind::Bilevel, 100, 50}, {TiffKind::Rgb, 30, 60}});
    auto image = fixtures::load(dir.file("two.tif"));
    GUID page = FrameDimensionPage;
    ASSERT_EQ(image->ActivateFrame(&page, 1), Ok);
    std::unique_ptr<TGPImage> thumbnail(image->MakeThumbnail(15, 30));
    ASSERT_EQ(thumbnail->LastStatus, Ok);
    // Page 2's top-left 2x2 pixels, averaged, are what the thumbnail's first pixel shows.
    uint32_t sum = 0;
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t x = 0; x < 2; ++x) sum += (fixtures::tiffPagePixel({TiffKind::Rgb, 30, 60}, x, y) >> 16) & 255;
    EXPECT_NEAR(static_cast<int>((fixtures::pixel(*thumbnail, 0, 0) >> 16) & 255), static_cast<int>(sum / 4), 1);
}

}  // namespace

// A page and its copy in another pixel class (drawn 1:1, nearest neighbour) must give the
// same thumbnails at every size: the quick paths of the area average against the general one.
void expectSameThumbnails(TGPImage& page, PixelFormat copyFormat) {
    const int32_t w = static_cast<int32_t>(page.PixelWidth()), h = static_cast<int32_t>(page.PixelHeight());
    TGPBitmap copy(w, h, copyFormat);
    {
        TGPGraphics g(&copy);
        EXPECT_EQ(g.SetScalingMode(InterpolationModeNearestNeighbor), Ok);
        EXPECT_EQ(g.DrawImageScaled(&page, PixelRect(0, 0, w, h), 0, 0, w, h, UnitPixel), Ok);
    }
    const uint32_t uw = static_cast<uint32_t>(w), uh = static_cast<uint32_t>(h);
    for (auto [tw, th] : {std::pair{85u, 120u}, {120u, 7u}, {1u, 1u}, {uw, uh}, {500u, 3u}}) {
        std::unique_ptr<TGPImage> quick(page.MakeThumbnail(tw, th));
        std::unique_ptr<TGPImage> general(copy.MakeThumbnail(tw, th));
        ASSERT_EQ(quick->LastStatus, Ok);
        int worst = 0;
        for (uint32_t y = 0; y < th; ++y)
            for (uint32_t x = 0; x < tw; ++x)
                worst = std::max(worst, fixtures::channelDistance(fixtures::pixel(*quick, x, y),
                                                                  fixtures::pixel(*general, x, y)));
        EXPECT_LE(worst, 1) << tw << " x " << th;
    }
}

// Bilevel pages are reduced straight from their packed bits.
TEST(Thumbnail, BilevelPagesAsFromTheirColourCopy) {
    fixtures::TempDir dir;
    using fixtures::TiffKind;
    fixtures::writeTiff(dir.file("fax.tif"), {{TiffKind::Bilevel, 333, 517, 4, true},
                                              {TiffKind::Bilevel, 64, 9, 1, false}});
    auto image = fixtures::load(dir.file("fax.tif"));
    GUID page = FrameDimensionPage;
    for (uint32_t k = 0; k < 2; ++k) {
        SCOPED_TRACE(k);
        ASSERT_EQ(image->ActivateFrame(&page, k), Ok);
        ASSERT_EQ(image->framePixelFormat(), PixelFormat1bppIndexed);
        expectSameThumbnails(*image, PixelFormat24bppRGB);
    }
}

// Opaque colour pages take their own quick path too.
TEST(Thumbnail, ColourPagesAsFromTheirArgbCopy) {
    fixtures::TempDir dir;
    fixtures::writeTiff(dir.file("scan.tif"), {{fixtures::TiffKind::Rgb, 301, 211}});
    auto image = fixtures::load(dir.file("scan.tif"));
    ASSERT_EQ(image->framePixelFormat(), PixelFormat24bppRGB);
    expectSameThumbnails(*image, PixelFormat32bppARGB);
}
