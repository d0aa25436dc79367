// What the command line adds to the jobs: pages kept in their class, TIFF compression per
// page, page lists, padded names and stopping a job midway. Files are read back with the
// reference libraries.
#include <gtest/gtest.h>
#include <png.h>
#include <tiffio.h>

#include <algorithm>
#include <filesystem>

#include "merge/compose.h"
#include "merge/merge_adding.h"
#include "split/file_names.h"
#include "split/page_export.h"
#include "split/page_listing.h"
#include "imaging/thumbnail_tile.h"
#include "support/fixtures.h"
#include "support/job_runs.h"
#include "support/readback.h"

using namespace orvelle;
using fixtures::RecordingContext;
using fixtures::TempDir;
using fixtures::TiffKind;
using fixtures::TiffPage;

namespace {

// Bilevel, grey, palette and RGB pages, in that order.
const std::vector<TiffPage> kMixedPages = {
    {TiffKind::Bilevel, 41, 23, COMPRESSION_CCITTFAX4, true, false, 200},
    {TiffKind::Grey8, 12, 30, COMPRESSION_NONE, false, false, 0},
    {TiffKind::Palette8, 17, 9, COMPRESSION_PACKBITS, false, false, 0},
    {TiffKind::Rgb, 25, 25, COMPRESSION_LZW, false, false, 0}};

ExportAllResult splitWith(const std::string& source, const std::string& folder, ExportFormat format,
                          int percent, RecordingContext& rec, bool keepClass = true) {
    ExportAllRequest request{source, folder, format, [percent] { return percent; }};
    request.keepClass = keepClass;
    JobContext context = rec.context();
    return ExportAllPages(request, context);
}

// The components of a baseline JPEG, from its frame header.
int jpegComponents(const std::string& path) {
    const std::vector<uint8_t> bytes = fixtures::readBytes(path);
    for (size_t i = 2; i + 9 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && (bytes[i + 1] == 0xC0 || bytes[i + 1] == 0xC1)) return bytes[i + 9];
    return 0;
}

uint16_t tiffPredictor(const std::string& path, uint16_t page) {
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    uint16_t predictor = 0;
    if (tif && TIFFSetDirectory(tif, page)) TIFFGetFieldDefaulted(tif, TIFFTAG_PREDICTOR, &predictor);
    if (tif) TIFFClose(tif);
    return predictor;
}

void expectPixels(const std::vector<uint32_t>& argb, uint32_t width, const TiffPage& page) {
    ASSERT_EQ(argb.size(), size_t{page.width} * page.height);
    ASSERT_EQ(width, page.width);
    for (uint32_t y = 0; y < page.height; ++y)
        for (uint32_t x = 0; x < page.width; ++x)
            ASSERT_EQ(argb[size_t{y} * width + x] | 0xFF000000u, fixtures::tiffPagePixel(page, x, y) | 0xFF000000u)
                << x << "," << y;
}

TEST(KeepClass, PngAndTiffPagesStayInTheirClass) {
    TempDir dir;
    const std::string source = dir.file("mixed.tif");
    fixtures::writeTiff(source, kMixedPages);
    RecordingContext rec;
    ASSERT_EQ(splitWith(source, dir.path().string(), ExportFormat::Png, 100, rec).written.size(), 4u);
    ASSERT_EQ(splitWith(source, dir.path().string(), ExportFormat::Tiff, 100, rec).written.size(), 4u);
    const int pngTypes[] = {PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_PALETTE, PNG_COLOR_TYPE_RGB};
    const int pngDepths[] = {1, 8, 8, 8};
    const uint16_t tiffBits[] = {1, 8, 8, 8}, tiffSamples[] = {1, 1, 1, 3};
    const uint16_t tiffCompression[] = {COMPRESSION_CCITTFAX4, COMPRESSION_LZW, COMPRESSION_LZW, COMPRESSION_LZW};
    const uint16_t photometric[] = {PHOTOMETRIC_MINISWHITE, PHOTOMETRIC_MINISBLACK, PHOTOMETRIC_PALETTE,
                                    PHOTOMETRIC_RGB};
    for (size_t i = 0; i < kMixedPages.size(); ++i) {
        SCOPED_TRACE(i);
        const std::string number = std::to_string(i + 1);
        const fixtures::RgbaImage png = fixtures::readPng(dir.file("mixed_" + number + ".PNG"));
        EXPECT_EQ(png.pngColourType, pngTypes[i]);
        EXPECT_EQ(png.pngBitDepth, pngDepths[i]);
        expectPixels(png.argb, png.width, kMixedPages[i]);
        const auto tiff = fixtures::readTiffPages(dir.file("mixed_" + number + ".TIF"));
        ASSERT_EQ(tiff.size(), 1u);
        EXPECT_EQ(tiff[0].bitsPerSample, tiffBits[i]);
        EXPECT_EQ(tiff[0].samplesPerPixel, tiffSamples[i]);
        EXPECT_EQ(tiff[0].compression, tiffCompression[i]);
        EXPECT_EQ(tiff[0].photometric, photometric[i]);
        expectPixels(tiff[0].argb, tiff[0].width, kMixedPages[i]);
    }
    EXPECT_NEAR(fixtures::readTiffPages(dir.file("mixed_1.TIF"))[0].xResolution, 200, 0.01);
}

TEST(KeepClass, BmpGifAndJpegPages) {
    TempDir dir;
    const std::string source = dir.file("mixed.tif");
    fixtures::writeTiff(source, kMixedPages);
    RecordingContext rec;
    for (ExportFormat format : {ExportFormat::Bmp, ExportFormat::Gif, ExportFormat::Jpeg})
        ASSERT_EQ(splitWith(source, dir.path().string(), format, 100, rec).written.size(), 4u);
    const uint16_t bmpBits[] = {1, 8, 8, 24};
    const int jpegComponentsWanted[] = {1, 1, 3, 3};
    for (size_t i = 0; i < kMixedPages.size(); ++i) {
        SCOPED_TRACE(i);
        const std::string number = std::to_string(i + 1);
        const std::vector<uint8_t> bmp = fixtures::readBytes(dir.file("mixed_" + number + ".BMP"));
        ASSERT_GT(bmp.size(), 30u);
        EXPECT_EQ(bmp[28] | (bmp[29] << 8), bmpBits[i]);
        expectPixels(fixtures::readBmp24(dir.file("mixed_" + number + ".BMP")).argb, kMixedPages[i].width,
                     kMixedPages[i]);
        const fixtures::RgbaImage gif = fixtures::readGifFirstFrame(dir.file("mixed_" + number + ".GIF"));
        if (i < 3) expectPixels(gif.argb, gif.width, kMixedPages[i]);  // no more than 256 colours
        EXPECT_EQ(jpegComponents(dir.file("mixed_" + number + ".JPG")), jpegComponentsWanted[i]);
    }
    // Two colours make the smallest table a GIF has.
    const std::vector<uint8_t> gif = fixtures::readBytes(dir.file("mixed_1.GIF"));
    EXPECT_EQ(gif[10] & 7, 0) << "a global colour table of 2 entries";
}

TEST(KeepClass, ScaledPagesStayBilevelByNearestNeighbour) {
    TempDir dir;
    const TiffPage page{TiffKind::Bilevel, 41, 23, COMPRESSION_CCITTFAX4, true, false, 200};
    const std::string source = dir.file("fax.tif");
    fixtures::writeTiff(source, {page});
    RecordingContext rec;
    ASSERT_EQ(splitWith(source, dir.path().string(), ExportFormat::Png, 50, rec).written.size(), 1u);
    const fixtures::RgbaImage png = fixtures::readPng(dir.file("fax_1.PNG"));
    EXPECT_EQ(png.pngBitDepth, 1);
    ASSERT_EQ(png.width, static_cast<uint32_t>(scaledSide(41, 50)));
    ASSERT_EQ(png.height, static_cast<uint32_t>(scaledSide(23, 50)));
    EXPECT_NEAR(png.dpiX, 100, 0.5);
    for (uint32_t y = 0; y < png.height; ++y)
        for (uint32_t x = 0; x < png.width; ++x)
            ASSERT_EQ(png.argb[size_t{y} * png.width + x] | 0xFF000000u,
                      fixtures::tiffPagePixel(page, (2 * x + 1) * 41 / (2 * png.width),
                                              (2 * y + 1) * 23 / (2 * png.height)) |
                          0xFF000000u);
}

struct CompressionRow {
    TiffPageCompression compression;
    std::vector<uint16_t> expected;  // per page of kMixedPages
};

TEST(ComposeCompression, EachPageAsAsked) {
    const std::vector<CompressionRow> rows = {
        {TiffPageCompression::Lzw, {COMPRESSION_LZW, COMPRESSION_LZW, COMPRESSION_LZW, COMPRESSION_LZW}},
        {TiffPageCompression::G4, {COMPRESSION_CCITTFAX4, COMPRESSION_LZW, COMPRESSION_LZW, COMPRESSION_LZW}},
        {TiffPageCompression::Auto, {COMPRESSION_CCITTFAX4, COMPRESSION_LZW, COMPRESSION_LZW, COMPRESSION_LZW}},
        {TiffPageCompression::Deflate,
         {COMPRESSION_ADOBE_DEFLATE, COMPRESSION_ADOBE_DEFLATE, COMPRESSION_ADOBE_DEFLATE, COMPRESSION_ADOBE_DEFLATE}},
    };
    TempDir dir;
    const std::string source = dir.file("mixed.tif");
    fixtures::writeTiff(source, kMixedPages);
    for (const CompressionRow& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.compression));
        RecordingContext rec;
        ComposeRequest request{{source}, dir.file("out.tif"), true};
        request.compression = row.compression;
        JobContext context = rec.context();
        ASSERT_TRUE(ComposeTiff(request, context).written);
        const auto pages = fixtures::readTiffPages(dir.file("out.tif"));
        ASSERT_EQ(pages.size(), kMixedPages.size());
        for (size_t i = 0; i < pages.size(); ++i) {
            EXPECT_EQ(pages[i].compression, row.expected[i]) << i;
            expectPixels(pages[i].argb, pages[i].width, kMixedPages[i]);
        }
    }
}

TEST(ComposeCompression, PredictorOnlyWhereItMakesThePageSmaller) {
    TempDir dir;
    // A smooth ramp differences to a run of ones; noise of two values gets a third.
    fixtures::Picture ramp{600, 200, 1, {}}, noise{600, 200, 1, {}};
    ramp.samples.resize(600 * 200);
    noise.samples.resize(600 * 200);
    uint32_t state = 1;
    for (uint32_t y = 0; y < 200; ++y)
        for (uint32_t x = 0; x < 600; ++x) {
            ramp.at(x, y)[0] = static_cast<uint8_t>((x * 255) / 599);
            state = state * 1103515245u + 12345u;
            noise.at(x, y)[0] = (state >> 24) & 1 ? 255 : 0;
        }
    fixtures::writePictureTiff(dir.file("ramp.tif"), ramp, COMPRESSION_NONE);
    fixtures::writePictureTiff(dir.file("noise.tif"), noise, COMPRESSION_NONE);
    for (TiffPageCompression compression : {TiffPageCompression::Auto, TiffPageCompression::Deflate}) {
        RecordingContext rec;
        ComposeRequest request{{dir.file("ramp.tif"), dir.file("noise.tif")}, dir.file("out.tif"), false};
        request.compression = compression;
        JobContext context = rec.context();
        ASSERT_TRUE(ComposeTiff(request, context).written);
        EXPECT_EQ(tiffPredictor(dir.file("out.tif"), 0), PREDICTOR_HORIZONTAL);
        EXPECT_EQ(tiffPredictor(dir.file("out.tif"), 1), PREDICTOR_NONE);
        const auto pages = fixtures::readTiffPages(dir.file("out.tif"));
        ASSERT_EQ(pages.size(), 2u);
        for (uint32_t x = 0; x < 600; x += 37) EXPECT_EQ(pages[0].argb[x] & 255, ramp.at(x, 0)[0]);
        EXPECT_EQ(pages[1].argb[599 * 0 + 5] & 255, noise.at(5, 0)[0]);
    }
}

TEST(PageLists, OrderRepeatsPaddedNamesAndPagesPastTheEnd) {
    TempDir dir;
    const std::string source = dir.file("doc.tif");
    std::vector<TiffPage> pages;
    for (uint32_t i = 0; i < 12; ++i) pages.push_back({TiffKind::Grey8, 10 + i, 8, COMPRESSION_NONE});
    fixtures::writeTiff(source, pages);
    RecordingContext rec;
    ExportAllRequest request{source, dir.file("out"), ExportFormat::Png, nullptr};
    std::filesystem::create_directory(dir.file("out"));
    request.pages = {11, 0, 11};
    request.padNames = true;
    JobContext context = rec.context();
    ExportAllResult result = ExportAllPages(request, context);
    EXPECT_EQ(result.written, (std::vector<std::string>{dir.file("out/doc_12.PNG"), dir.file("out/doc_01.PNG"),
                                                         dir.file("out/doc_12.PNG")}));
    EXPECT_EQ(fixtures::readPng(dir.file("out/doc_01.PNG")).width, 10u);
    EXPECT_EQ(fixtures::readPng(dir.file("out/doc_12.PNG")).width, 21u);
    ASSERT_EQ(result.outcomes.size(), 3u);
    EXPECT_EQ(result.outcomes[1].page, 0u);
    EXPECT_EQ(std::count(rec.events.begin(), rec.events.end(), "pump"), 3);

    RecordingContext beyond;
    request.pages = {0, 12};
    request.folder = dir.file("beyond");
    std::filesystem::create_directory(request.folder);
    JobContext beyondContext = beyond.context();
    result = ExportAllPages(request, beyondContext);
    EXPECT_EQ(result.pageOutOfRange, 12u);
    EXPECT_TRUE(result.written.empty());
    EXPECT_TRUE(beyond.messages().empty());
    EXPECT_TRUE(fixtures::listFolder(request.folder).empty());

    EXPECT_EQ(pageNumberDigits(9), 1);
    EXPECT_EQ(pageNumberDigits(10), 2);
    EXPECT_EQ(pageNumberDigits(200), 3);
    EXPECT_EQ(pageOutputName("/o", "a.tif", 6, ".PNG", 3), "/o/a_007.PNG");
}

// A context whose cancel is requested at the first pump.
struct CancelAtFirstPump {
    RecordingContext rec;
    JobCancel cancel;
    CancelAtFirstPump() {
        rec.onPump = [this] { cancel.request(); };
    }
    JobContext context() { return {rec, rec, rec, &cancel}; }
};

TEST(Cancel, SplitKeepsThePagesWrittenAndSaysHowMany) {
    TempDir dir;
    const std::string source = dir.file("doc.tif");
    fixtures::writeTiff(source, std::vector<TiffPage>(8, {TiffKind::Rgb, 40, 30, COMPRESSION_NONE}));
    std::filesystem::create_directory(dir.file("out"));
    CancelAtFirstPump run;
    JobContext context = run.context();
    const ExportAllResult result = ExportAllPages({source, dir.file("out"), ExportFormat::Png, nullptr}, context);
    EXPECT_TRUE(result.cancelled);
    // The page in hand and, with two cores, the ones on their way beside it: a lane runs at
    // most one page ahead of the slower lane.
    ASSERT_GE(result.written.size(), 1u);
    ASSERT_LE(result.written.size(), ImagingSession::workers() > 1 ? 3u : 1u);
    EXPECT_EQ(fixtures::listFolder(dir.file("out")).size(), result.written.size());
    for (const std::string& file : result.written) EXPECT_EQ(fixtures::readPng(file).width, 40u);
    EXPECT_EQ(run.rec.messages(),
              std::vector<std::string>{"提示|已取消,已保存" + std::to_string(result.written.size()) + "页。"});
}

TEST(Cancel, CompositionLeavesNoFileAndAnOldOneUntouched) {
    TempDir dir;
    std::vector<std::string> sources;
    for (int i = 0; i < 3; ++i) {
        sources.push_back(dir.file("s" + std::to_string(i) + ".tif"));
        fixtures::writeTiff(sources.back(), {{TiffKind::Rgb, 20, 20, COMPRESSION_NONE}});
    }
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    fixtures::writeBytes(dir.file("out.tif"), old);
    CancelAtFirstPump run;
    JobContext context = run.context();
    const ComposeResult result = ComposeTiff({sources, dir.file("out.tif"), false}, context);
    EXPECT_TRUE(result.cancelled);
    EXPECT_FALSE(result.written);
    EXPECT_EQ(fixtures::readBytes(dir.file("out.tif")), old);
    EXPECT_EQ(fixtures::listFolder(dir.path().string()).size(), 4u) << "no temporary file left";
    EXPECT_EQ(run.rec.messages(), std::vector<std::string>{"提示|已取消,未生成文件。"});
}

TEST(Cancel, ListingAndAddingKeepWhatWasDone) {
    TempDir dir;
    const std::string source = dir.file("doc.tif");
    fixtures::writeTiff(source, std::vector<TiffPage>(5, {TiffKind::Grey8, 30, 20, COMPRESSION_NONE}));
    struct Captions : PageListSink {
        std::vector<std::string> captions;
        void addPage(const std::string& caption) override { captions.push_back(caption); }
    } sink;
    BitmapTileTarget target;
    CancelAtFirstPump listing;
    JobContext context = listing.context();
    const PageListing listed = listTiffPages(source, target, sink, context);
    EXPECT_TRUE(listed.cancelled);
    // With two cores the second page, and perhaps the third, are already on their way when
    // the first entry is made, and get their entries too; no later page is begun.
    const std::vector<std::string> firstThree{"图(1) 30*20", "图(2) 30*20", "图(3) 30*20"};
    const size_t least = ImagingSession::workers() > 1 ? 2 : 1, most = ImagingSession::workers() > 1 ? 3 : 1;
    ASSERT_GE(listed.pages, least);
    ASSERT_LE(listed.pages, most);
    EXPECT_EQ(sink.captions, std::vector<std::string>(firstThree.begin(), firstThree.begin() + static_cast<long>(listed.pages)));

    MergeList list;
    CancelAtFirstPump adding;
    JobContext addingContext = adding.context();
    const MergeAdding added = addMergeFiles(list, {source, source, source}, addingContext);
    EXPECT_TRUE(added.cancelled);
    EXPECT_EQ(list.count(), 1u);
    EXPECT_EQ(list.selected(), 0);
    EXPECT_EQ(adding.rec.messages(), std::vector<std::string>{"提示|已取消,已加入1个文件。"});
}

// BigTIFF when asked, and when the pages could take a classic file past 4 GiB.
TEST(BigTiff, AskedForFromTheFirstPage) {
    TempDir dir;
    const std::string source = dir.file("mixed.tif"), output = dir.file("big.tif");
    fixtures::writeTiff(source, kMixedPages);
    RecordingContext rec;
    JobContext context = rec.context();
    ComposeRequest request{{source}, output, true};
    request.bigTiff = true;
    request.compression = TiffPageCompression::Auto;
    ASSERT_TRUE(ComposeTiff(request, context).written);
    const std::vector<uint8_t> bytes = fixtures::readBytes(output);
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(bytes[2], 43) << "BigTIFF's version number";
    const auto pages = fixtures::readTiffPages(output);
    ASSERT_EQ(pages.size(), kMixedPages.size());
    for (size_t i = 0; i < pages.size(); ++i) {
        EXPECT_EQ(pages[i].pageNumber, i);
        EXPECT_EQ(pages[i].pageTotal, kMixedPages.size()) << "the totals patched in BigTIFF directories";
        expectPixels(pages[i].argb, pages[i].width, kMixedPages[i]);
    }
}

TEST(BigTiff, AnOutputPastFourGibibytesBecomesBigTiff) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "writes 4.5 GB: run in the plain build, minutes under the sanitizer";
#endif
    TempDir dir;
    // One page of noise (LZW makes it larger, not smaller), taken 23 times: about 4.5 GB.
    const uint32_t width = 7000, height = 7000;
    fixtures::Picture noise{width, height, 3, {}};
    noise.samples.resize(size_t{width} * height * 3);
    uint64_t state = 88172645463325252ull;
    for (uint8_t& sample : noise.samples) {
        state ^= state << 13, state ^= state >> 7, state ^= state << 17;
        sample = static_cast<uint8_t>(state);
    }
    const std::string source = dir.file("noise.tif"), output = dir.file("huge.tif");
    fixtures::writePictureTiff(source, noise, COMPRESSION_NONE);
    RecordingContext rec;
    JobContext context = rec.context();
    ComposeRequest request{{source}, output, false};
    request.sourcePages = {std::vector<uint32_t>(23, 0)};
    const ComposeResult result = ComposeTiff(request, context);
    ASSERT_TRUE(result.written) << result.outputFailure;
    EXPECT_EQ(result.pages, 23u);
    EXPECT_GT(std::filesystem::file_size(output), uint64_t{1} << 32);
    EXPECT_EQ(rec.messages(), std::vector<std::string>{"提示|TIF文件合成完毕!"});
    TIFF* tif = TIFFOpen(output.c_str(), "r");
    ASSERT_NE(tif, nullptr);
    EXPECT_TRUE(TIFFIsBigTIFF(tif));
    EXPECT_EQ(TIFFNumberOfDirectories(tif), 23);
    ASSERT_TRUE(TIFFSetDirectory(tif, 22));
    const tstrip_t last = TIFFNumberOfStrips(tif) - 1;
    std::vector<uint8_t> strip(static_cast<size_t>(TIFFStripSize(tif)));
    const tmsize_t got = TIFFReadEncodedStrip(tif, last, strip.data(), static_cast<tmsize_t>(strip.size()));
    ASSERT_GT(got, 0);
    uint32_t rowsPerStrip = 0;
    TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    TIFFClose(tif);
    const size_t from = size_t{last} * rowsPerStrip * width * 3;
    EXPECT_TRUE(std::equal(strip.begin(), strip.begin() + got, noise.samples.begin() + static_cast<long>(from)))
        << "the last page's last strip read back";
}

}  // namespace
