// Splitting a TIFF into single pictures: sizes, names, messages, and the files themselves
// read back with the reference libraries.
#include <gtest/gtest.h>
#include <tiffio.h>
#include <unistd.h>

#include <filesystem>

#include "imaging/gdiputil.h"
#include "imaging/text_path.h"
#include "split/file_names.h"
#include "split/page_export.h"
#include "support/fixtures.h"
#include "support/job_runs.h"
#include "support/readback.h"

using namespace orvelle;
using fixtures::exportAll;
using fixtures::RecordingContext;
using fixtures::TempDir;
using fixtures::TiffKind;
using fixtures::TiffPage;

namespace {

struct ScaleRow {
    uint32_t side;
    int32_t percent;
    int32_t expected;
};

class Scaling : public ::testing::TestWithParam<ScaleRow> {};

TEST_P(Scaling, RoundsHalfToEvenAndNeverToZero) {
    EXPECT_EQ(scaledSide(GetParam().side, GetParam().percent), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, Scaling,
                         ::testing::Values(ScaleRow{25, 10, 2}, ScaleRow{35, 10, 4},
                                           ScaleRow{1275, 50, 638}, ScaleRow{2550, 33, 842},
                                           ScaleRow{3300, 33, 1089}, ScaleRow{4000, 100, 4000},
                                           ScaleRow{5, 10, 1}, ScaleRow{1, 1, 1},
                                           ScaleRow{100, 0, 1}, ScaleRow{100, -50, 1},
                                           ScaleRow{10, 5000, 100}, ScaleRow{3, 1000, 30}));

TEST(OutputNames, FolderStemNumberExtension) {
    EXPECT_EQ(pageOutputName("/", "/scans/report.tif", 0, ".JPG"), "/report_1.JPG");
    EXPECT_EQ(pageOutputName("/out", "/scans/report.tif", 0, ".JPG"), "/out/report_1.JPG");
    EXPECT_EQ(pageOutputName("/out/", "/scans/report.tif", 1, ".PNG"), "/out/report_2.PNG");
    EXPECT_EQ(pageOutputName("/out", "/scans/report.old.tif", 0, ".BMP"), "/out/report.old_1.BMP");
    EXPECT_EQ(pageOutputName("/out", "/scans/report", 0, ".GIF"), "/out/report_1.GIF");
    EXPECT_EQ(pageOutputName("/out", "/scans/.tif", 0, ".JPG"), "/out/_1.JPG");
    EXPECT_EQ(pageOutputName("/out", "report.tif", 9, ".PNG"), "/out/report_10.PNG");
    EXPECT_EQ(FileNameOf(""), "");
    EXPECT_EQ(FileNameOf("plain.tif"), "plain.tif");
    EXPECT_EQ(StripExtension(".tif"), "");
}

TEST(ExportChecks, FirstFailingCheckOnly) {
    RecordingContext rec;
    EXPECT_FALSE(checkExportInputs("", "", rec));
    EXPECT_FALSE(checkExportInputs("/a.tif", " \t", rec));
    EXPECT_TRUE(checkExportInputs(" /a.tif ", "/out", rec));
    EXPECT_EQ(rec.messages(),
              (std::vector<std::string>{"错误|请选择TIF文件!", "错误|请选择文件存放目录!"}));
    EXPECT_EQ(rec.icons, (std::vector<MessageIcon>{MessageIcon::Error, MessageIcon::Error}));
}

// A three-page source of different classes and sizes, 200 dpi.
std::vector<TiffPage> threePages() {
    return {{TiffKind::Bilevel, 37, 20, COMPRESSION_CCITTFAX4, true, false, 200},
            {TiffKind::Grey8, 24, 31, COMPRESSION_LZW, false, false, 200},
            {TiffKind::Rgb, 19, 11, COMPRESSION_NONE, false, false, 200}};
}

void expectPixelsOf(const TiffPage& page, const fixtures::RgbaImage& image, int tolerance) {
    ASSERT_EQ(image.width, page.width);
    ASSERT_EQ(image.height, page.height);
    int worst = 0;
    for (uint32_t y = 0; y < page.height; ++y)
        for (uint32_t x = 0; x < page.width; ++x) {
            worst = std::max(worst, fixtures::channelDistance(fixtures::tiffPagePixel(page, x, y) | 0xFF000000u,
                                                              image.argb[size_t{y} * image.width + x]));
        }
    EXPECT_LE(worst, tolerance);
}

TEST(ExportAllPages, LosslessFormatsKeepEveryPixel) {
    TempDir dir;
    const std::string source = dir.file("report.tif");
    fixtures::writeTiff(source, threePages());
    const auto pages = threePages();
    for (ExportFormat format : {ExportFormat::Bmp, ExportFormat::Gif, ExportFormat::Png, ExportFormat::Tiff}) {
        SCOPED_TRACE(formatRow(format).Label);
        const std::string out = dir.file("out" + std::to_string(static_cast<int>(format)));
        std::filesystem::create_directory(out);
        RecordingContext rec;
        const ExportAllResult result = exportAll(source, out, format, rec);
        ASSERT_EQ(result.written.size(), 3u);
        EXPECT_EQ(rec.messages(), std::vector<std::string>{"提示|TIFF分解完成!"});
        const std::string extension = std::string(formatRow(format).Extension).substr(1);
        for (uint32_t i = 0; i < 3; ++i) {
            const std::string file = out + "/report_" + std::to_string(i + 1) + "." + extension;
            EXPECT_EQ(result.written[i], file);
            if (format == ExportFormat::Bmp) expectPixelsOf(pages[i], fixtures::readBmp24(file), 0);
            if (format == ExportFormat::Gif) expectPixelsOf(pages[i], fixtures::readGifFirstFrame(file), 0);
            if (format == ExportFormat::Png) expectPixelsOf(pages[i], fixtures::readPng(file), 0);
            if (format == ExportFormat::Tiff) {
                const auto tiff = fixtures::readTiffPages(file);
                ASSERT_EQ(tiff.size(), 1u);
                EXPECT_EQ(tiff[0].samplesPerPixel, 3) << "pages are rendered as 24-bit RGB";
                EXPECT_EQ(tiff[0].compression, COMPRESSION_LZW);
                expectPixelsOf(pages[i], {tiff[0].width, tiff[0].height, tiff[0].argb}, 0);
            }
        }
        EXPECT_EQ(fixtures::listFolder(out).size(), 3u) << "no temporary file is left behind";
    }
}

// Indexed pages go into PNG expanded row by row in the encoder; the files are those that
// drawing each page onto a 24-bit bitmap and saving it gives, byte for byte.
TEST(ExportAllPages, IndexedPagesIntoPngAsIfDrawn) {
    TempDir dir;
    const std::vector<TiffPage> pages = {{TiffKind::Bilevel, 41, 23, COMPRESSION_CCITTFAX4, true, false, 300},
                                         {TiffKind::Bilevel, 40, 20, COMPRESSION_NONE, false, false, 0},
                                         {TiffKind::Palette8, 17, 9, COMPRESSION_PACKBITS, false, false, 96},
                                         {TiffKind::Grey8, 12, 30, COMPRESSION_NONE, false, false, 200}};
    const std::string source = dir.file("doc.tif");
    fixtures::writeTiff(source, pages);
    std::filesystem::create_directory(dir.file("out"));
    RecordingContext rec;
    ASSERT_EQ(exportAll(source, dir.file("out"), ExportFormat::Png, rec).written.size(), pages.size());
    GUID png{};
    FindEncoderByMime("image/png", png);
    TGPImage image(widenPath(source), false);
    GUID dimension{};
    ASSERT_EQ(image.ListFrameDimensions(&dimension, 1), Ok);
    for (uint32_t k = 0; k < pages.size(); ++k) {
        SCOPED_TRACE(k);
        ASSERT_EQ(image.ActivateFrame(&dimension, k), Ok);
        TGPBitmap drawn(static_cast<int32_t>(pages[k].width), static_cast<int32_t>(pages[k].height),
                        PixelFormat24bppRGB);
        if (pages[k].dpi > 0) {
            ASSERT_EQ(drawn.setResolution(image.horizontalResolution(), image.verticalResolution()), Ok);
        }
        {
            TGPGraphics graphics(&drawn);
            ASSERT_EQ(graphics.DrawImageScaled(&image, PixelRect(0, 0, static_cast<int32_t>(pages[k].width),
                                                                 static_cast<int32_t>(pages[k].height)),
                                               0, 0, static_cast<int32_t>(pages[k].width),
                                               static_cast<int32_t>(pages[k].height), UnitPixel),
                      Ok);
        }
        const std::string reference = dir.file("drawn" + std::to_string(k) + ".png");
        ASSERT_EQ(drawn.SaveToFile(widenPath(reference), &png, nullptr), Ok);
        EXPECT_TRUE(fixtures::readBytes(dir.file("out/doc_" + std::to_string(k + 1) + ".PNG")) ==
                    fixtures::readBytes(reference));
    }
}

TEST(ExportAllPages, JpegWithinTolerance) {
    TempDir dir;
    // A smooth grey ramp, as a scanned photograph would have.
    const std::string path = dir.file("ramp.tif");
    fixtures::Picture ramp{64, 48, 1, std::vector<uint8_t>(64 * 48)};
    for (uint32_t y = 0; y < 48; ++y)
        for (uint32_t x = 0; x < 64; ++x) *ramp.at(x, y) = static_cast<uint8_t>(x * 3 + y);
    fixtures::writePictureTiff(path, ramp, COMPRESSION_NONE);
    RecordingContext rec;
    exportAll(path, dir.path().string(), ExportFormat::Jpeg, rec);
    const fixtures::RgbaImage jpeg = fixtures::readJpeg(dir.file("ramp_1.JPG"));
    ASSERT_EQ(jpeg.width, 64u);
    ASSERT_EQ(jpeg.height, 48u);
    int worst = 0;
    for (uint32_t y = 0; y < 48; ++y)
        for (uint32_t x = 0; x < 64; ++x)
            worst = std::max(worst, std::abs(int(x * 3 + y) - int(jpeg.argb[size_t{y} * 64 + x] & 255)));
    EXPECT_LE(worst, 6);
}

TEST(ExportAllPages, ProgressStepsPumpAndEnd) {
    TempDir dir;
    fixtures::writeTiff(dir.file("r.tif"), threePages());
    RecordingContext rec;
    exportAll(dir.file("r.tif"), dir.path().string(), ExportFormat::Png, rec);
    EXPECT_EQ(rec.events,
              (std::vector<std::string>{"begin 3 正在分解TIFF文件,请等待......", "step 0", "pump",
                                        "step 1", "pump", "step 2", "pump", "end",
                                        "message 提示|TIFF分解完成!"}));
}

TEST(ExportAllPages, PercentIsReadForEveryPageAndCarriesResolution) {
    TempDir dir;
    fixtures::writeTiff(dir.file("r.tif"), threePages());
    RecordingContext rec;
    int calls = 0;
    exportAll(dir.file("r.tif"), dir.path().string(), ExportFormat::Png, rec, [&] { return ++calls == 1 ? 100 : 50; });
    const auto first = fixtures::readPng(dir.file("r_1.PNG"));
    const auto second = fixtures::readPng(dir.file("r_2.PNG"));
    EXPECT_EQ(first.width, 37u);
    EXPECT_EQ(second.width, 12u);  // 24 at 50 %
    EXPECT_EQ(second.height, 16u);  // 31 at 50 %: 15.5 rounds to even 16
    EXPECT_NEAR(first.dpiX, 200, 0.1);
    EXPECT_NEAR(second.dpiX, 100, 0.1) << "half the pixels, half the dots per inch";
}

TEST(ExportAllPages, UndecodableSourceSaysSoAndWritesNothing) {
    TempDir dir;
    fixtures::writeBytes(dir.file("bad.tif"), {'n', 'o', 'p', 'e'});
    std::filesystem::create_directory(dir.file("out"));
    RecordingContext rec;
    const ExportAllResult result = exportAll(dir.file("bad.tif"), dir.file("out"), ExportFormat::Jpeg, rec);
    EXPECT_EQ(result.pages, 0u);
    EXPECT_EQ(rec.events, std::vector<std::string>{"message 错误|TIF文件无法识别!"})
        << "a job of no steps never shows the progress bar";
    EXPECT_TRUE(fixtures::listFolder(dir.file("out")).empty());
}

TEST(ExportAllPages, FailedPagesAreCountedAndOthersKept) {
    TempDir dir;
    const std::string source = dir.file("r.tif");
    fixtures::writeTiff(source, {{TiffKind::Rgb, 20, 20, COMPRESSION_LZW},
                                 {TiffKind::Rgb, 20, 20, COMPRESSION_LZW},
                                 {TiffKind::Rgb, 20, 20, COMPRESSION_LZW}});
    fixtures::spoilPage(source, 1);
    std::filesystem::create_directory(dir.file("out"));
    fixtures::writeBytes(dir.file("out/r_2.PNG"), {'k', 'e', 'e', 'p'});
    RecordingContext rec;
    const ExportAllResult result = exportAll(source, dir.file("out"), ExportFormat::Png, rec);
    EXPECT_EQ(result.failedPages, std::vector<uint32_t>{1});
    EXPECT_EQ(rec.messages(), std::vector<std::string>{"错误|TIFF分解完成,但有1页未能保存!"});
    EXPECT_EQ(fixtures::listFolder(dir.file("out")),
              (std::vector<std::string>{"r_1.PNG", "r_2.PNG", "r_3.PNG"}));
    EXPECT_EQ(fixtures::readBytes(dir.file("out/r_2.PNG")), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}))
        << "an existing file of a failed page stays untouched";
}

TEST(ExportAllPages, NothingWrittenIsAFailure) {
    TempDir dir;
    fixtures::writeTiff(dir.file("r.tif"), threePages());
    RecordingContext rec;
    const ExportAllResult result = exportAll(dir.file("r.tif"), dir.file("missing-folder"), ExportFormat::Png, rec);
    EXPECT_TRUE(result.written.empty());
    EXPECT_EQ(rec.messages(), std::vector<std::string>{"错误|TIFF分解失败,没有保存任何文件!"});
    EXPECT_EQ(rec.events.back(), "message 错误|TIFF分解失败,没有保存任何文件!");
    EXPECT_EQ(rec.events[rec.events.size() - 2], "end");
}

TEST(ExportPage, FormatFollowsTheFileTypeNotTheName) {
    TempDir dir;
    fixtures::writeTiff(dir.file("r.tif"), threePages());
    RecordingContext rec;
    ASSERT_TRUE(ExportPage({dir.file("r.tif"), 2, dir.file("third.jpg"), ExportFormat::Png, 200}, rec));
    EXPECT_TRUE(rec.events.empty()) << "success is silent";
    const std::vector<uint8_t> bytes = fixtures::readBytes(dir.file("third.jpg"));
    ASSERT_GT(bytes.size(), 8u);
    EXPECT_EQ(bytes[1], 'P');
    const auto png = fixtures::readPng(dir.file("third.jpg"));
    EXPECT_EQ(png.width, 38u);
    EXPECT_EQ(png.height, 22u);
    EXPECT_NEAR(png.dpiX, 400, 0.1);
}

TEST(ExportPage, FailuresAreReported) {
    TempDir dir;
    const std::string source = dir.file("r.tif");
    fixtures::writeTiff(source, threePages());
    const std::vector<uint8_t> original = fixtures::readBytes(source);
    ASSERT_EQ(symlink(source.c_str(), dir.file("link.tif").c_str()), 0);
    RecordingContext rec;
    EXPECT_FALSE(ExportPage({source, 0, source, ExportFormat::Tiff, 100}, rec));
    EXPECT_FALSE(ExportPage({source, 0, dir.file("link.tif"), ExportFormat::Tiff, 100}, rec));
    EXPECT_FALSE(ExportPage({source, 3, dir.file("p4.png"), ExportFormat::Png, 100}, rec));
    EXPECT_FALSE(ExportPage({dir.file("none.tif"), 0, dir.file("p1.png"), ExportFormat::Png, 100}, rec));
    EXPECT_FALSE(ExportPage({source, 0, dir.file("no/such/folder.png"), ExportFormat::Png, 100}, rec));
    EXPECT_EQ(rec.messages(),
              (std::vector<std::string>{"错误|不能覆盖正在分解的TIF文件!", "错误|不能覆盖正在分解的TIF文件!",
                                        "错误|图片保存失败!", "错误|图片保存失败!", "错误|图片保存失败!"}));
    EXPECT_EQ(fixtures::readBytes(source), original);
    EXPECT_EQ(fixtures::listFolder(dir.path().string()),
              (std::vector<std::string>{"link.tif", "r.tif"}));
}

}  // namespace

namespace {

TEST(ExportAllPages, ChineseFolderAndFileNames) {
    TempDir dir;
    const std::string folder = dir.file("扫描件");
    std::filesystem::create_directory(folder);
    const std::string source = folder + "/报告 第1版.tif";
    fixtures::writeTiff(source, {{TiffKind::Rgb, 6, 4}, {TiffKind::Grey8, 5, 5}});
    RecordingContext rec;
    const ExportAllResult result = exportAll(source, folder, ExportFormat::Tiff, rec);
    ASSERT_EQ(result.written.size(), 2u);
    EXPECT_EQ(result.written[1], folder + "/报告 第1版_2.TIF");
    EXPECT_EQ(fixtures::readTiffPages(result.written[1]).size(), 1u);
    EXPECT_EQ(fixtures::readTiffPages(result.written[0])[0].width, 6u);
}

}  // namespace

// A split's pages are named together once they are complete, lossless or not: a page whose
// name is taken meanwhile by something that is no file is not claimed as written, and the
// others are.
TEST(ExportAllPages, PagesThatCannotBeNamedAtTheEndFail) {
    for (const bool lossless : {false, true}) {
        SCOPED_TRACE(lossless ? "lossless" : "decoded");
        TempDir dir;
        const std::string source = dir.file("doc.tif"), out = dir.file("out");
        fixtures::writeTiff(source, std::vector<TiffPage>(3, {TiffKind::Grey8, 8, 8}));
        std::filesystem::create_directory(out);
        RecordingContext rec;
        const std::string taken = out + (lossless ? "/doc_1.TIF" : "/doc_1.PNG");
        rec.onPump = [&] { std::filesystem::create_directory(taken); };  // after the first page
        JobContext context = rec.context();
        ExportAllRequest request{source, out, lossless ? ExportFormat::Tiff : ExportFormat::Png, nullptr};
        request.lossless = lossless;
        const ExportAllResult result = ExportAllPages(request, context);
        EXPECT_EQ(result.written.size(), 2u);
        ASSERT_EQ(result.failedPages, std::vector<uint32_t>{0});
        EXPECT_NE(result.outcomes[0].reason.find(taken), std::string::npos) << result.outcomes[0].reason;
        EXPECT_TRUE(std::filesystem::is_directory(taken)) << "left as it is";
        EXPECT_EQ(rec.messages().back(), "错误|TIFF分解完成,但有1页未能保存!") << "the closing message counts it";
        EXPECT_EQ(fixtures::listFolder(out).size(), 3u) << "no hidden file left";
    }
}
