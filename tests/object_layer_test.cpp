// The wrapper objects: status recording, ownership, and what a failed load looks like.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <new>

#include "support/fixtures.h"

using namespace orvelle;
using fixtures::TempDir;
using fixtures::TiffKind;

TEST(ObjectLayer, ColoursAndRectangles) {
    EXPECT_EQ(OpaqueColor(200, 200, 200), 0xFFC8C8C8u);
    EXPECT_EQ(OpaqueColor(255, 255, 255), 0xFFFFFFFFu);
    EXPECT_EQ(OpaqueColor(0, 0, 0), 0xFF000000u);
    EXPECT_EQ(composeArgb(0x12, 0x34, 0x56, 0x78), 0x12345678u);
    const PixelRect rect(1, 2, 3, 4);
    EXPECT_EQ(rect.X, 1);
    EXPECT_EQ(rect.Y, 2);
    EXPECT_EQ(rect.Width, 3);
    EXPECT_EQ(rect.Height, 4);
}

TEST(ObjectLayer, FailedLoadReadsAsZeroWithoutThrowing) {
    TempDir dir;
    fixtures::writeBytes(dir.file("notes.tif"), {'h', 'e', 'l', 'l', 'o', '\n'});
    for (const std::string& path : {dir.file("missing.tif"), dir.file("notes.tif"), dir.path().string()}) {
        SCOPED_TRACE(path);
        auto image = fixtures::load(path);
        EXPECT_EQ(image->NativeHandle, nullptr);
        EXPECT_NE(image->LastStatus, Ok);
        GUID dimension = FrameDimensionPage;
        EXPECT_EQ(image->PixelWidth(), 0u);
        EXPECT_EQ(image->PixelHeight(), 0u);
        EXPECT_EQ(image->CountFrames(&dimension), 0u);
        EXPECT_NE(image->ListFrameDimensions(&dimension, 1), Ok);
    }
    EXPECT_EQ(fixtures::load(dir.file("missing.tif"))->LastStatus, FileNotFound);
}

// A picture held in memory decodes as its file does; bytes that are no picture fail with
// the reason, as a file of them would.
TEST(ObjectLayer, PictureFromBytesInMemory) {
    TempDir dir;
    const fixtures::Picture picture = fixtures::gradient(37, 21, 3);
    fixtures::writePng(dir.file("p.png"), picture);
    fixtures::writeJpeg(dir.file("p.jpg"), picture);
    fixtures::writeBmp24(dir.file("p.bmp"), picture);
    fixtures::writeTiff(dir.file("p.tif"), {{TiffKind::Rgb, 37, 21}, {TiffKind::Grey8, 9, 8}});
    for (const char* name : {"p.png", "p.jpg", "p.bmp", "p.tif"}) {
        SCOPED_TRACE(name);
        const std::vector<uint8_t> bytes = fixtures::readBytes(dir.file(name));
        TGPImage fromMemory(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        auto fromFile = fixtures::load(dir.file(name));
        ASSERT_EQ(fromMemory.LastStatus, Ok);
        GUID dimension{};
        ASSERT_EQ(fromMemory.ListFrameDimensions(&dimension, 1), Ok);
        EXPECT_EQ(fromMemory.CountFrames(&dimension), fromFile->CountFrames(&dimension));
        EXPECT_EQ(fromMemory.rawFormat(), fromFile->rawFormat());
        for (int32_t y = 0; y < 21; ++y)
            for (int32_t x = 0; x < 37; ++x) {
                gdip::ARGB a = 0, b = 1;
                ASSERT_EQ(gdip::GdipBitmapGetPixel(fromMemory.NativeHandle, x, y, &a), Ok);
                ASSERT_EQ(gdip::GdipBitmapGetPixel(fromFile->NativeHandle, x, y, &b), Ok);
                ASSERT_EQ(a, b) << x << "," << y;
            }
    }
    TGPImage notAPicture(std::string_view("hello\n"));
    EXPECT_EQ(notAPicture.NativeHandle, nullptr);
    EXPECT_EQ(notAPicture.LastStatus, UnknownImageFormat);
    TGPImage nothing{std::string_view()};
    EXPECT_EQ(nothing.LastStatus, InvalidParameter);
}

TEST(ObjectLayer, SuccessNeverErasesAnEarlierFailure) {
    TempDir dir;
    fixtures::writeTiff(dir.file("two.tif"), {{TiffKind::Rgb, 4, 4}, {TiffKind::Rgb, 6, 5}});
    auto image = fixtures::load(dir.file("two.tif"));
    ASSERT_EQ(image->LastStatus, Ok);
    GUID page = FrameDimensionPage;
    EXPECT_EQ(image->ActivateFrame(&page, 7), InvalidParameter);
    EXPECT_EQ(image->PixelWidth(), 4u);  // a success, after the failure
    EXPECT_EQ(image->LastStatus, InvalidParameter);

    // A later, different failure replaces it.
    auto missing = fixtures::load(dir.file("none.tif"));
    EXPECT_EQ(missing->LastStatus, FileNotFound);
    missing->PixelWidth();
    EXPECT_EQ(missing->LastStatus, InvalidParameter);
}

TEST(ObjectLayer, PageSizeFollowsTheActiveFrame) {
    TempDir dir;
    fixtures::writeTiff(dir.file("pages.tif"),
                        {{TiffKind::Bilevel, 10, 10}, {TiffKind::Grey8, 20, 30}, {TiffKind::Rgb, 7, 3}});
    auto image = fixtures::load(dir.file("pages.tif"));
    GUID dimension{};
    ASSERT_EQ(image->ListFrameDimensions(&dimension, 1), Ok);
    EXPECT_EQ(dimension, FrameDimensionPage);
    ASSERT_EQ(image->CountFrames(&dimension), 3u);
    const uint32_t sizes[][2] = {{10, 10}, {20, 30}, {7, 3}};
    for (uint32_t order : {0u, 2u, 1u, 0u}) {  // forwards and backwards
        ASSERT_EQ(image->ActivateFrame(&dimension, order), Ok);
        EXPECT_EQ(image->PixelWidth(), sizes[order][0]);
        EXPECT_EQ(image->PixelHeight(), sizes[order][1]);
    }
    GUID time = FrameDimensionTime;
    EXPECT_EQ(image->ActivateFrame(&time, 1), InvalidParameter);
    EXPECT_EQ(image->PixelWidth(), 10u) << "a refused selection keeps the active page";
}

TEST(ObjectLayer, GraphicsWithoutImage) {
    TGPGraphics graphics(static_cast<TGPImage*>(nullptr));
    EXPECT_EQ(graphics.NativeHandle, nullptr);
    EXPECT_EQ(graphics.LastStatus, Ok);
    EXPECT_NE(graphics.FillSurface(OpaqueColor(1, 2, 3)), Ok);
    EXPECT_NE(graphics.LastStatus, Ok);
}

TEST(ObjectLayer, AppendFrameWithoutSourceIsInvalidParameter) {
    TGPBitmap bitmap(4, 4, PixelFormat24bppRGB);
    ASSERT_EQ(bitmap.LastStatus, Ok);
    EXPECT_EQ(bitmap.AppendFrame(nullptr, nullptr), InvalidParameter);
    EXPECT_EQ(bitmap.LastStatus, InvalidParameter);
}

TEST(ObjectLayer, ThumbnailOfNullImageCarriesTheFailure) {
    auto failed = fixtures::load("/nonexistent/picture.png");
    std::unique_ptr<TGPImage> thumbnail(failed->MakeThumbnail(120, 90));
    ASSERT_NE(thumbnail, nullptr);
    EXPECT_EQ(thumbnail->NativeHandle, nullptr);
    EXPECT_EQ(thumbnail->LastStatus, failed->LastStatus);
    EXPECT_NE(thumbnail->LastStatus, Ok);
}

TEST(ObjectLayer, ThumbnailHasExactlyTheRequestedSize) {
    TGPBitmap bitmap(1000, 750, PixelFormat24bppRGB);
    for (auto [w, h] : {std::pair{120u, 90u}, {85u, 120u}, {1u, 1u}, {2000u, 3u}}) {
        std::unique_ptr<TGPImage> thumbnail(bitmap.MakeThumbnail(w, h));
        EXPECT_EQ(thumbnail->PixelWidth(), w);
        EXPECT_EQ(thumbnail->PixelHeight(), h);
    }
    std::unique_ptr<TGPImage> zero(bitmap.MakeThumbnail(120, 0));
    EXPECT_EQ(zero->NativeHandle, nullptr);
    EXPECT_NE(zero->LastStatus, Ok);
}

TEST(ObjectLayer, DuplicateIsAPlainIndependentBrush) {
    std::unique_ptr<TGPSolidBrush> brush(new TGPSolidBrush(OpaqueColor(9, 8, 7)));
    std::unique_ptr<TGPBrush> copy(brush->Duplicate());
    ASSERT_NE(copy->NativeHandle, nullptr);
    EXPECT_NE(copy->NativeHandle, brush->NativeHandle);
    EXPECT_EQ(dynamic_cast<TGPSolidBrush*>(copy.get()), nullptr);
    brush.reset();  // the copy outlives its source
    TGPBitmap target(2, 2, PixelFormat24bppRGB);
    TGPGraphics graphics(&target);
    EXPECT_EQ(graphics.PaintRectangle(copy.get(), 0, 0, 2, 2), Ok);
}

TEST(ObjectLayer, PenChangesColour) {
    TGPPen pen(0, 2.0f);
    ASSERT_EQ(pen.LastStatus, Ok);
    EXPECT_EQ(pen.ChangeColor(OpaqueColor(200, 200, 200)), Ok);
    TGPBitmap target(4, 4, PixelFormat24bppRGB);
    {
        TGPGraphics graphics(&target);
        EXPECT_EQ(graphics.FillSurface(OpaqueColor(255, 255, 255)), Ok);
        EXPECT_EQ(graphics.OutlineRectangle(&pen, PixelRect(0, 0, 4, 4)), Ok);
    }
    EXPECT_EQ(fixtures::pixel(target, 0, 2), 0xFFC8C8C8u);
}

TEST(ObjectLayer, NoWrapperOutsideASession) {
    ImagingSession::close();
    EXPECT_THROW(delete new TGPPen(0, 1.0f), std::bad_alloc);
    GpImage* handle = nullptr;
    EXPECT_EQ(GdipCreateBitmapFromScan0(2, 2, 0, PixelFormat24bppRGB, nullptr, &handle),
              GdiplusNotInitialized);
    ImagingSession::open();
    EXPECT_NO_THROW(delete new TGPPen(0, 1.0f));
}

TEST(ObjectLayer, NullHandlesAreRefusedHarmlessly) {
    // What the destructors of failed objects hand to the platform.
    EXPECT_EQ(gdip::GdipDisposeImage(nullptr), InvalidParameter);
    EXPECT_EQ(gdip::GdipDeleteGraphics(nullptr), InvalidParameter);
    EXPECT_EQ(gdip::GdipDeletePen(nullptr), InvalidParameter);
    EXPECT_EQ(gdip::GdipDeleteBrush(nullptr), InvalidParameter);
    // Objects that never got a handle keep the failure and release nothing twice (the
    // sanitizer build would report it).
    auto image = std::make_unique<TGPImage>(nullptr, InvalidParameter);
    EXPECT_EQ(image->NativeHandle, nullptr);
    EXPECT_EQ(image->LastStatus, InvalidParameter);
    EXPECT_EQ(image->PixelWidth(), 0u);
    auto brush = std::make_unique<TGPBrush>(nullptr, InvalidParameter);
    EXPECT_EQ(brush->LastStatus, InvalidParameter);
    std::unique_ptr<TGPBrush> copy(brush->Duplicate());
    EXPECT_EQ(copy->NativeHandle, nullptr);
    EXPECT_NE(copy->LastStatus, Ok);
}
