// Pages written a row at a time: the same files as drawing the whole page first gives, and
// pages too large to have been drawn whole.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <filesystem>
#include <memory>

#include "imaging/gdiputil.h"
#include "imaging/output_formats.h"
#include "imaging/text_path.h"
#include "split/page_export.h"
#include "support/fixtures.h"
#include "support/job_runs.h"
#include "support/readback.h"
#include "support/tool_runs.h"

using namespace orvelle;
using fixtures::encoderFor;
using fixtures::TempDir;
using fixtures::TiffKind;
using fixtures::TiffPage;
using TiffFile = std::unique_ptr<TIFF, void (*)(TIFF*)>;

namespace {

// Every class a page is decoded into, with and without resolution, at sides that do not
// divide evenly; each page drawn at each percentage into each format that writes rows as
// they come: the file drawn row by row is the file of the page drawn whole, byte for byte.
const std::vector<TiffPage> kEveryClass = {{TiffKind::Bilevel, 61, 47, COMPRESSION_CCITTFAX4, true, false, 300},
                                           {TiffKind::Bilevel, 61, 47, COMPRESSION_NONE, false, false, 0},
                                           {TiffKind::Grey8, 53, 29, COMPRESSION_LZW, false, false, 200},
                                           {TiffKind::Grey4, 33, 41, COMPRESSION_NONE, true, false, 0},
                                           {TiffKind::Palette8, 45, 38, COMPRESSION_NONE, false, false, 150},
                                           {TiffKind::Rgb, 67, 31, COMPRESSION_LZW, false, false, 72},
                                           {TiffKind::Rgba, 39, 44, COMPRESSION_NONE, false, false, 0}};

TEST(DrawnRows, SameFileAsThePageDrawnWhole) {
    TempDir dir;
    const std::vector<TiffPage>& pages = kEveryClass;
    for (size_t p = 0; p < pages.size(); ++p) {
        const std::string source = dir.file("page" + std::to_string(p) + ".tif");
        fixtures::writeTiff(source, {pages[p]});
        auto image = fixtures::load(source);
        ASSERT_TRUE(image->NativeHandle);
        for (const int percent : {1, 33, 50, 100, 250}) {
            const uint32_t width = static_cast<uint32_t>(scaledSide(pages[p].width, percent));
            const uint32_t height = static_cast<uint32_t>(scaledSide(pages[p].height, percent));
            const float scale = static_cast<float>(percent) / 100.0f;
            for (const char* mime : {"image/png", "image/jpeg", "image/bmp", "image/tiff"}) {
                SCOPED_TRACE("page " + std::to_string(p) + " at " + std::to_string(percent) + "% as " + mime);
                const GUID clsid = encoderFor(mime);
                std::unique_ptr<TGPImage> whole(image->ScaledCopy(width, height, scale));
                ASSERT_TRUE(whole->NativeHandle);
                ASSERT_EQ(whole->SaveToFile(widenPath(dir.file("whole")), &clsid, nullptr), Ok);
                ASSERT_EQ(image->SaveDrawnToFile(width, height, scale, widenPath(dir.file("rows")), &clsid, nullptr), Ok);
                EXPECT_EQ(fixtures::readBytes(dir.file("rows")), fixtures::readBytes(dir.file("whole")));
            }
        }
    }
    // GIF, which needs every pixel at once for its palette, says so and writes nothing.
    auto image = fixtures::load(dir.file("page0.tif"));
    const GUID gif = encoderFor("image/gif");
    EXPECT_EQ(image->SaveDrawnToFile(10, 10, 1.0f, widenPath(dir.file("none")), &gif, nullptr), NotImplemented);
    EXPECT_FALSE(std::filesystem::exists(dir.file("none")));
}

// Page `page` of `source` read by bands however small it is, at `percent`, into `target`.
GpStatus saveByBands(TGPImage& source, uint32_t page, int percent, const std::string& target, const char* mime,
                     GpStreamedFrame& streamed) {
    const GUID clsid = encoderFor(mime);
    const QualityParams quality(kDefaultQuality);
    return source.SaveFrameStreamed(
        page, 0,
        [percent](uint32_t width, uint32_t height) {
            return GpDrawnSize{static_cast<uint32_t>(scaledSide(width, percent)),
                               static_cast<uint32_t>(scaledSide(height, percent)), static_cast<float>(percent) / 100.0f};
        },
        widenPath(target), &clsid, quality.block(), streamed);
}

void writeDrawing(const std::string& path, uint32_t side);

// Pages in strips or tiles, stored upright or turned, read by bands as they are written,
// among them a drawing in one fax strip of several bands: each file is the one the page
// decoded whole and written gives, byte for byte, whatever the page's class, the strips'
// coding, the percentage, the format and the number of workers, and so are its thumbnail
// and its drawing (of a page with alpha too). Not written so: a page with alpha, and one
// of another class than 24-bit at its own size into PNG, whose encoder writes its palette
// from the page. A strip that cannot be read fails the page as decoding it whole does, and
// leaves no file.
TEST(StreamedPages, SameFilesAsThePageDecodedWhole) {
    TempDir dir;
    std::vector<std::string> sources;
    std::vector<TiffPage> pages = kEveryClass;
    pages.push_back({TiffKind::Rgb, 40, 52, COMPRESSION_NONE, false, false, 0});
    pages.push_back({TiffKind::Rgb, 33, 19, COMPRESSION_ADOBE_DEFLATE, false, false, 300});
    // In tiles of 16, and stored turned every way (bilevel rows are turned bit by bit): the
    // way rows are read does not depend on the percentage, so two of them do.
    const size_t firstTurned = pages.size();
    pages.push_back({TiffKind::Bilevel, 61, 47, COMPRESSION_CCITTFAX4, true, true, 300});
    pages.push_back({TiffKind::Grey4, 33, 41, COMPRESSION_NONE, true, true, 0, 6});
    pages.push_back({TiffKind::Palette8, 45, 38, COMPRESSION_LZW, false, true, 150, 8});
    pages.push_back({TiffKind::Rgb, 67, 31, COMPRESSION_LZW, false, true, 72, 5});
    for (uint16_t orientation = 2; orientation <= 8; ++orientation)
        pages.push_back({TiffKind::Bilevel, 61, 47, COMPRESSION_CCITTFAX4, true, false, 200, orientation});
    pages.push_back({TiffKind::Rgb, 40, 52, COMPRESSION_NONE, false, false, 100, 7});
    pages.push_back({TiffKind::Grey8, 53, 29, COMPRESSION_LZW, false, true, 200, 3});
    for (size_t p = 0; p < pages.size(); ++p) {
        sources.push_back(dir.file("page" + std::to_string(p) + ".tif"));
        fixtures::writeTiff(sources.back(), {pages[p]});
    }
    sources.push_back(dir.file("ycbcr.tif"));
    fixtures::writePictureTiff(sources.back(), fixtures::gradient(48, 40, 3), COMPRESSION_JPEG);
    // 3000 rows of 376 bytes: bands of 697 rows, the last one short.
    sources.push_back(dir.file("drawing.tif"));
    writeDrawing(sources.back(), 3000);
    for (size_t i = 0; i < sources.size(); ++i) {
        const std::string& source = sources[i];
        const bool turned = i >= firstTurned && i < pages.size();
        // Its thumbnail made as it is read by bands: the pixels of the page's whole one.
        auto image = fixtures::load(source);
        std::unique_ptr<TGPImage> reduced;
        GpStreamedFrame streamed;
        const auto size = [](uint32_t width, uint32_t height) { return GpDrawnSize{width / 3 + 1, height / 5 + 1, 1.0f}; };
        ASSERT_EQ(image->ThumbnailStreamed(0, 0, size, reduced, streamed), Ok) << source;
        {
            const GpDrawnSize wanted = size(image->PixelWidth(), image->PixelHeight());
            std::unique_ptr<TGPImage> whole(image->MakeThumbnail(wanted.width, wanted.height));
            EXPECT_EQ(streamed.width, image->PixelWidth());
            ASSERT_TRUE(reduced && whole->NativeHandle);
            ASSERT_EQ(reduced->PixelWidth(), wanted.width);
            ASSERT_EQ(reduced->PixelHeight(), wanted.height);
            for (uint32_t y = 0; y < wanted.height; ++y)
                for (uint32_t x = 0; x < wanted.width; ++x)
                    ASSERT_EQ(fixtures::pixel(*reduced, x, y), fixtures::pixel(*whole, x, y)) << source << " at " << x << ", " << y;
            // So is the page drawn as the viewer draws it, from its rows.
            for (const int32_t mode : {InterpolationModeNearestNeighbor, InterpolationModeLowQuality}) {
                const PixelRect shown{0, 0, static_cast<int32_t>(wanted.width), static_cast<int32_t>(wanted.height)};
                TGPBitmap byRows(shown.Width, shown.Height, PixelFormat24bppRGB), decoded(shown.Width, shown.Height, PixelFormat24bppRGB);
                TGPGraphics onRows(&byRows), onDecoded(&decoded);
                ASSERT_EQ(onRows.SetScalingMode(mode), Ok);
                ASSERT_EQ(onDecoded.SetScalingMode(mode), Ok);
                ASSERT_EQ(onRows.DrawPageStreamed(image.get(), 0, 0, shown, streamed), Ok);
                ASSERT_EQ(onDecoded.DrawImageScaled(image.get(), shown, 0, 0, static_cast<int32_t>(image->PixelWidth()),
                                                    static_cast<int32_t>(image->PixelHeight()), UnitPixel),
                          Ok);
                for (uint32_t y = 0; y < wanted.height; ++y)
                    for (uint32_t x = 0; x < wanted.width; ++x)
                        ASSERT_EQ(fixtures::pixel(byRows, x, y), fixtures::pixel(decoded, x, y)) << source << " drawn, at " << x << ", " << y;
            }
        }
        for (const int percent : {1, 33, 50, 100, 250})
            for (const char* mime : {"image/png", "image/jpeg", "image/bmp", "image/tiff"}) {
                if (turned && percent != 33 && percent != 100) continue;
                SCOPED_TRACE(source + " at " + std::to_string(percent) + "% as " + mime);
                if (source.ends_with("drawing.tif") && percent == 250) continue;  // 7500 x 7500 adds nothing
                auto image = fixtures::load(source);
                const PixelFormat format = image->framePixelFormat();
                GpStreamedFrame streamed;
                const GpStatus status = saveByBands(*image, 0, percent, dir.file("bands"), mime, streamed);
                if (format == PixelFormat32bppARGB ||
                    (format != PixelFormat24bppRGB && percent == 100 && std::string(mime) == "image/png")) {
                    EXPECT_EQ(status, NotImplemented);
                    EXPECT_FALSE(std::filesystem::exists(dir.file("bands")));
                    continue;
                }
                ASSERT_EQ(status, Ok) << streamed.failure;
                const QualityParams quality(kDefaultQuality);
                ASSERT_EQ(renderPageAtPercent(*image, percent, dir.file("whole"), encoderFor(mime), quality.block()), Ok);
                EXPECT_EQ(fixtures::readBytes(dir.file("bands")), fixtures::readBytes(dir.file("whole")));
                std::filesystem::remove(dir.file("bands"));
            }
    }
    const std::string spoilt = dir.file("spoilt.tif");
    const TiffPage& lzw = kEveryClass[5];  // RGB in LZW strips
    fixtures::writeTiff(spoilt, {lzw, lzw});
    fixtures::spoilPage(spoilt, 1);
    const std::string out = dir.file("spoilt");
    std::filesystem::create_directory(out);
    auto image = fixtures::load(spoilt);
    GpStreamedFrame streamed;
    EXPECT_NE(saveByBands(*image, 1, 100, out + "/page.png", "image/png", streamed), Ok);
    EXPECT_FALSE(streamed.failure.empty());
    GUID dimension = FrameDimensionPage;
    EXPECT_NE(image->ActivateFrame(&dimension, 1), Ok) << "decoded whole, the page fails too";
    EXPECT_TRUE(fixtures::listFolder(out).empty()) << "no file is left behind";
}

// A page added to a TIFF or a PDF as it is read by bands, turned or not on the way: the file
// of the page decoded whole, turned and added, byte for byte, for every class, stored
// upright, turned and tiled, G4 and predictor chosen as for any page. A page one of whose strips cannot be read is taken out
// again, and the file goes on with the pages before and after it.
TEST(StreamedPages, AddedToATiffOrAPdfAsThePageDecodedWhole) {
    TempDir dir;
    // PDFs written a second apart would differ in their dates.
    struct FixedDate {
        FixedDate() { ::setenv("SOURCE_DATE_EPOCH", "1700000000", 1); }
        ~FixedDate() { ::unsetenv("SOURCE_DATE_EPOCH"); }
    } const fixedDate;
    SaveFlagParams flags;
    flags.setSecond(EncoderCompression, compressionValue(TiffPageCompression::Auto));
    SaveFlagParams flush;
    flush.setValue(EncoderValueFlush);
    std::vector<TiffPage> pages = kEveryClass;
    pages.push_back({TiffKind::Bilevel, 61, 47, COMPRESSION_CCITTFAX4, true, true, 300, 6});
    pages.push_back({TiffKind::Rgba, 39, 44, COMPRESSION_LZW, false, true, 0, 7});
    pages.push_back({TiffKind::Rgb, 67, 31, COMPRESSION_LZW, false, true, 72, 3});
    pages.push_back({TiffKind::Grey8, 53, 29, COMPRESSION_LZW, false, false, 200, 8});
    for (size_t p = 0; p < pages.size(); ++p)
        fixtures::writeTiff(dir.file("page" + std::to_string(p) + ".tif"), {pages[p]});
    const std::string spoilt = dir.file("spoilt.tif");
    const TiffPage& lzw = kEveryClass[5];  // RGB in LZW strips
    fixtures::writeTiff(spoilt, {lzw, lzw, lzw});
    fixtures::spoilPage(spoilt, 1);
    for (const char* mime : {"image/tiff", "application/pdf"}) {
        const GUID clsid = encoderFor(mime);
        for (size_t p = 0; p < pages.size(); ++p) {
            // Turned by each number of quarters in turn, on top of the page's own turn.
            const int turns = static_cast<int>(p % 4);
            SCOPED_TRACE(std::string(mime) + ", page " + std::to_string(p) + " turned " + std::to_string(turns));
            const std::string source = dir.file("page" + std::to_string(p) + ".tif");
            flags.setValue(EncoderValueMultiFrame);
            auto whole = fixtures::load(source);
            if (turns != 0) ASSERT_EQ(whole->Turn(turns), Ok);
            ASSERT_EQ(whole->SaveToFile(widenPath(dir.file("whole")), &clsid, flags.block()), Ok);
            ASSERT_EQ(whole->AppendFrame(whole.get(), flush.block()), Ok);
            auto carrier = fixtures::load(source);
            GpStreamedFrame streamed;
            ASSERT_EQ(carrier->AppendFrameStreamed(carrier.get(), 0, 0, turns, widenPath(dir.file("bands")), &clsid,
                                                   flags.block(), streamed),
                      Ok)
                << streamed.failure;
            ASSERT_EQ(carrier->AppendFrame(carrier.get(), flush.block()), Ok);
            EXPECT_EQ(fixtures::readBytes(dir.file("bands")), fixtures::readBytes(dir.file("whole")));
        }
        SCOPED_TRACE(std::string(mime) + ", a page that cannot be read");
        auto carrier = fixtures::load(spoilt);
        flags.setValue(EncoderValueMultiFrame);
        const std::string out = dir.file("two");
        for (uint32_t page = 0; page < 3; ++page) {
            GpStreamedFrame streamed;
            const GpStatus status =
                carrier->AppendFrameStreamed(carrier.get(), page, 0, 0, widenPath(out), &clsid, flags.block(), streamed);
            EXPECT_EQ(status, page == 1 ? GenericError : Ok) << page;
            EXPECT_EQ(streamed.failure.empty(), page != 1) << page;
            flags.setValue(EncoderValueFrameDimensionPage);
        }
        ASSERT_EQ(carrier->AppendFrame(carrier.get(), flush.block()), Ok);
        GUID dimension = FrameDimensionPage;
        EXPECT_EQ(fixtures::load(out)->CountFrames(&dimension), 2u);
        if (std::string(mime) != "image/tiff") continue;
        const TiffFile written(TIFFOpen(out.c_str(), "r"), [](TIFF* t) { TIFFClose(t); });
        ASSERT_TRUE(written);
        for (tdir_t d = 0; d < 2; ++d) {
            ASSERT_TRUE(TIFFSetDirectory(written.get(), d));
            std::vector<uint32_t> pixels(size_t{lzw.width} * lzw.height);
            ASSERT_TRUE(
                TIFFReadRGBAImageOriented(written.get(), lzw.width, lzw.height, pixels.data(), ORIENTATION_TOPLEFT, 0));
            for (uint32_t y = 0; y < lzw.height; ++y)
                for (uint32_t x = 0; x < lzw.width; ++x) {
                    const uint32_t abgr = pixels[size_t{y} * lzw.width + x];
                    const uint32_t argb = (abgr & 0xFF00FF00u) | (abgr & 0xFF) << 16 | (abgr >> 16 & 0xFF);
                    ASSERT_EQ(argb, fixtures::tiffPagePixel(lzw, x, y)) << d << " at " << x << ", " << y;
                }
        }
    }
}

// A page on its side is read a band of its stored columns at a time, each band shared by the
// threads that ask for its rows: at 2400 x 2500 in RGB, two bands, the second narrower, in
// strips (read once a band) and in tiles (a column of tiles a band). The files are those of
// the page decoded whole, on any number of workers.
TEST(StreamedPages, PagesOnTheirSideAreReadABandOfColumnsAtATime) {
    TempDir dir;
    const GUID jpeg = encoderFor("image/jpeg");
    for (const auto& [tiled, orientation] : {std::pair{false, uint16_t{7}}, std::pair{true, uint16_t{6}}}) {
        const std::string source = dir.file(std::string(tiled ? "tiled" : "strips") + ".tif");
        SCOPED_TRACE(source);
        fixtures::writeTiff(source, {{TiffKind::Rgb, 2400, 2500, COMPRESSION_LZW, false, tiled, 300, orientation}});
        auto image = fixtures::load(source);
        ASSERT_EQ(image->PixelWidth(), 2500u);
        GpStreamedFrame streamed;
        ASSERT_EQ(saveByBands(*image, 0, 50, dir.file("bands"), "image/jpeg", streamed), Ok) << streamed.failure;
        const QualityParams quality(kDefaultQuality);
        ASSERT_EQ(renderPageAtPercent(*image, 50, dir.file("whole"), jpeg, quality.block()), Ok);
        EXPECT_EQ(fixtures::readBytes(dir.file("bands")), fixtures::readBytes(dir.file("whole")));
    }
}

// A drawing in one Group 4 strip, 20000 x 20000 pixels: a frame of lines every 1000 pixels
// and a black square in one corner of each 1000-pixel cell's first quarter.
bool drawingBlack(uint32_t x, uint32_t y) {
    if (x % 1000 < 3 || y % 1000 < 3) return true;
    return x % 1000 >= 100 && x % 1000 < 250 && y % 1000 >= 100 && y % 1000 < 250;
}

// A new one-page TIFF of 8-bit RGB (`samples` 3) or bilevel (1) rows, written by libtiff.
TiffFile newTiffPage(const std::string& path, uint32_t width, uint32_t height, uint16_t samples,
                     uint16_t compression, uint32_t rowsPerStrip) {
    TiffFile tif(TIFFOpen(path.c_str(), "w"), [](TIFF* t) { TIFFClose(t); });
    if (!tif) return tif;
    TIFFSetField(tif.get(), TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif.get(), TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif.get(), TIFFTAG_BITSPERSAMPLE, samples == 1 ? 1 : 8);
    TIFFSetField(tif.get(), TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tif.get(), TIFFTAG_PHOTOMETRIC, samples == 1 ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_RGB);
    TIFFSetField(tif.get(), TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif.get(), TIFFTAG_COMPRESSION, compression);
    TIFFSetField(tif.get(), TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
    return tif;
}

void writeDrawing(const std::string& path, uint32_t side) {
    const TiffFile tif = newTiffPage(path, side, side, 1, COMPRESSION_CCITTFAX4, side);
    ASSERT_TRUE(tif);
    TIFFSetField(tif.get(), TIFFTAG_XRESOLUTION, 600.0f);
    TIFFSetField(tif.get(), TIFFTAG_YRESOLUTION, 600.0f);
    TIFFSetField(tif.get(), TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    std::vector<uint8_t> row((side + 7) / 8);
    for (uint32_t y = 0; y < side; ++y) {
        std::fill(row.begin(), row.end(), 0);
        for (uint32_t x = 0; x < side; ++x)
            if (drawingBlack(x, y)) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
        ASSERT_EQ(TIFFWriteScanline(tif.get(), row.data(), y, 0), 1);
    }
}

// Over the old limit of pixels a page (400 million where 268 million were taken), yet 50 MB
// as one bit a pixel: split into PNG and JPEG, read back by libpng and libjpeg.
TEST(LargePages, DrawingInOneFaxStripSplitsAtAnyPercentage) {
    TempDir dir;
    const std::string source = dir.file("drawing.tif");
    constexpr uint32_t kSide = 20000;
    writeDrawing(source, kSide);
    for (const auto& [format, percent] : {std::pair{ExportFormat::Png, 25}, std::pair{ExportFormat::Jpeg, 10}}) {
        SCOPED_TRACE(formatRow(format).Label);
        const std::string out = dir.file("out" + std::to_string(percent));
        std::filesystem::create_directory(out);
        fixtures::RecordingContext rec;
        const ExportAllResult result = fixtures::exportAll(source, out, format, rec, [p = percent] { return p; });
        ASSERT_EQ(result.written.size(), 1u) << (result.outcomes.empty() ? "" : result.outcomes[0].reason);
        const fixtures::RgbaImage picture =
            format == ExportFormat::Png ? fixtures::readPng(result.written[0]) : fixtures::readJpeg(result.written[0]);
        const uint32_t side = static_cast<uint32_t>(scaledSide(kSide, percent));
        ASSERT_EQ(picture.width, side);
        ASSERT_EQ(picture.height, side);
        // Sampled across the page: each pixel is the source pixel under its centre.
        const int tolerance = format == ExportFormat::Png ? 0 : 40;
        for (uint32_t y = 0; y < side; y += side / 97 + 1)
            for (uint32_t x = 0; x < side; x += side / 89 + 1) {
                const uint32_t sx = static_cast<uint32_t>((uint64_t{x} * 2 + 1) * kSide / (uint64_t{side} * 2));
                const uint32_t sy = static_cast<uint32_t>((uint64_t{y} * 2 + 1) * kSide / (uint64_t{side} * 2));
                // JPEG's blocks blur an edge: only pixels away from one are compared.
                if (format == ExportFormat::Jpeg && drawingBlack(sx, sy) != drawingBlack(sx + 20, sy + 20)) continue;
                const uint32_t expected = drawingBlack(sx, sy) ? 0xFF000000u : 0xFFFFFFFFu;
                ASSERT_LE(fixtures::channelDistance(picture.argb[size_t{y} * side + x], expected), tolerance)
                    << "at " << x << ", " << y;
            }
    }
}

uint8_t colourAt(uint32_t x, uint32_t y, int channel) {
    if (channel == 0) return static_cast<uint8_t>(x / 64);
    if (channel == 1) return static_cast<uint8_t>(y / 48);
    return static_cast<uint8_t>((x / 1000 + y / 1000) * 37);
}

// The page on its side merged into a TIFF before a small page: read by bands as it is
// written, never whole; libtiff reads its rows back upright.
void mergeTurnedPage(const TempDir& dir, const std::string& source) {
    constexpr uint32_t kWidth = 16000, kHeight = 12000;
    const std::string small = dir.file("small.tif");
    fixtures::writeTiff(small, {kEveryClass[5]});
    fixtures::RecordingContext merging;
    const std::string merged = dir.file("merged.tif");
    const ComposeResult composed = fixtures::compose({source, small}, merged, false, merging);
    ASSERT_TRUE(composed.written) << composed.outputFailure;
    ASSERT_EQ(composed.pages, 2u);
    const TiffFile tif(TIFFOpen(merged.c_str(), "r"), [](TIFF* t) { TIFFClose(t); });
    ASSERT_TRUE(tif);
    uint32_t width = 0, height = 0;
    TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height);
    ASSERT_EQ(width, kHeight);
    ASSERT_EQ(height, kWidth);
    std::vector<uint8_t> row(static_cast<size_t>(TIFFScanlineSize64(tif.get())));
    for (uint32_t y = 0; y < height; y += 997) {
        ASSERT_EQ(TIFFReadScanline(tif.get(), row.data(), y, 0), 1);
        for (uint32_t x = 0; x < width; x += 13)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(row[size_t{x} * 3 + c], colourAt(y, kHeight - 1 - x, c)) << "at " << x << ", " << y;
    }
    // Into a PDF too, the page upright at its own size.
    fixtures::RecordingContext intoPdf;
    JobContext context = intoPdf.context();
    ComposeRequest request{{source, small}, dir.file("merged.pdf"), false};
    request.pdf = true;
    const ComposeResult pdf = ComposeTiff(request, context);
    ASSERT_TRUE(pdf.written) << pdf.outputFailure;
    ASSERT_EQ(pdf.pages, 2u);
    EXPECT_EQ(fixtures::run("pdfimages -list '" + request.outputPath + "' | awk 'NR > 2 {print $4, $5, $6}'").output,
              "12000 16000 rgb\n67 31 rgb\n");
}

// A colour page over the size limit of one picture held whole (576 MB of RGB): in strips,
// split into PNG at 10 %, read by bands as it is written, the file read back by libpng; in
// tiles on its side, merged into a TIFF.
TEST(LargePages, ColourPageOverTheLimitOfAWholePageSplitsByBands) {
    TempDir dir;
    constexpr uint32_t kWidth = 16000, kHeight = 12000;
    // In strips stored upright, and in tiles stored on its side (orientation 6: upright row
    // y is stored column y from the bottom up), read a column of tiles at a time.
    for (const bool onItsSide : {false, true}) {
        SCOPED_TRACE(onItsSide ? "tiles on its side" : "strips");
        const std::string source = dir.file(onItsSide ? "turned.tif" : "map.tif");
        {
            const TiffFile tif = newTiffPage(source, kWidth, kHeight, 3, COMPRESSION_LZW, 16);
            ASSERT_TRUE(tif);
            std::vector<uint8_t> row(size_t{kWidth} * 3);
            const auto fill = [&](uint32_t y) {
                for (uint32_t x = 0; x < kWidth; ++x)
                    for (int c = 0; c < 3; ++c) row[size_t{x} * 3 + c] = colourAt(x, y, c);
            };
            if (onItsSide) {
                constexpr uint32_t kTile = 256;
                TIFFSetField(tif.get(), TIFFTAG_ORIENTATION, ORIENTATION_RIGHTTOP);
                TIFFSetField(tif.get(), TIFFTAG_TILEWIDTH, kTile);
                TIFFSetField(tif.get(), TIFFTAG_TILELENGTH, kTile);
                std::vector<uint8_t> band(size_t{kWidth} * 3 * kTile), tile(size_t{kTile} * kTile * 3);
                for (uint32_t ty = 0; ty < kHeight; ty += kTile) {
                    for (uint32_t r = 0; r < kTile && ty + r < kHeight; ++r) {
                        fill(ty + r);
                        std::copy(row.begin(), row.end(), band.begin() + size_t{r} * row.size());
                    }
                    for (uint32_t tx = 0; tx < kWidth; tx += kTile) {
                        std::fill(tile.begin(), tile.end(), 0);
                        for (uint32_t r = 0; r < kTile && ty + r < kHeight; ++r)
                            std::copy_n(band.begin() + size_t{r} * row.size() + size_t{tx} * 3,
                                        size_t{std::min(kTile, kWidth - tx)} * 3, tile.begin() + size_t{r} * kTile * 3);
                        ASSERT_GE(TIFFWriteTile(tif.get(), tile.data(), tx, ty, 0, 0), 0);
                    }
                }
            } else {
                for (uint32_t y = 0; y < kHeight; ++y) {
                    fill(y);
                    ASSERT_EQ(TIFFWriteScanline(tif.get(), row.data(), y, 0), 1);
                }
            }
        }
        if (onItsSide) {
            mergeTurnedPage(dir, source);
            continue;
        }
        const std::string out = dir.file("map");
        std::filesystem::create_directory(out);
        fixtures::RecordingContext rec;
        const ExportAllResult result = fixtures::exportAll(source, out, ExportFormat::Png, rec, [] { return 10; });
        ASSERT_EQ(result.written.size(), 1u) << (result.outcomes.empty() ? result.sourceFailure : result.outcomes[0].reason);
        const fixtures::RgbaImage picture = fixtures::readPng(result.written[0]);
        ASSERT_EQ(picture.width, kWidth / 10);
        ASSERT_EQ(picture.height, kHeight / 10);
        for (uint32_t y = 0; y < picture.height; y += 37)
            for (uint32_t x = 0; x < picture.width; x += 41) {
                const uint32_t sx = (x * 2 + 1) * kWidth / (picture.width * 2);
                const uint32_t sy = (y * 2 + 1) * kHeight / (picture.height * 2);
                const uint32_t expected = 0xFF000000u | uint32_t{colourAt(sx, sy, 0)} << 16 |
                                          uint32_t{colourAt(sx, sy, 1)} << 8 | colourAt(sx, sy, 2);
                ASSERT_EQ(picture.argb[size_t{y} * picture.width + x], expected) << "at " << x << ", " << y;
            }
    }
}

}  // namespace
