// Merging pictures into one multi-page TIFF, read back with libtiff.
#include <gtest/gtest.h>
#include <tiffio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "merge/compose.h"
#include "support/fixtures.h"
#include "support/job_runs.h"
#include "support/readback.h"

using namespace orvelle;
using fixtures::compose;
using fixtures::RecordingContext;
using fixtures::TempDir;
using fixtures::TiffKind;
using fixtures::TiffPage;

namespace {

// Pixels equal the page as written; alpha pages allow the rounding of libtiff's
// premultiplied reader.
void expectPage(const fixtures::TiffPageInfo& got, const TiffPage& page) {
    ASSERT_EQ(got.width, page.width);
    ASSERT_EQ(got.height, page.height);
    ASSERT_EQ(got.argb.size(), size_t{page.width} * page.height);
    const int tolerance = page.kind == TiffKind::Rgba ? 2 : 0;
    int worst = 0;
    for (uint32_t y = 0; y < page.height; ++y)
        for (uint32_t x = 0; x < page.width; ++x) {
            worst = std::max(worst, fixtures::channelDistance(fixtures::tiffPagePixel(page, x, y),
                                                              got.argb[size_t{y} * page.width + x]));
        }
    EXPECT_LE(worst, tolerance);
}

TEST(ComposeTiff, EveryClassAsDecodedInOrder) {
    TempDir dir;
    const std::vector<TiffPage> pages = {
        {TiffKind::Bilevel, 41, 23, COMPRESSION_CCITTFAX4, true, false, 300},
        {TiffKind::Palette8, 17, 9, COMPRESSION_PACKBITS, false, false, 150},
        {TiffKind::Grey8, 12, 30, COMPRESSION_NONE, false, false, 0},
        {TiffKind::Rgb, 25, 25, COMPRESSION_ADOBE_DEFLATE, false, false, 72},
        {TiffKind::Rgba, 13, 7, COMPRESSION_LZW, false, false, 96}};
    std::vector<std::string> sources;
    for (size_t i = 0; i < pages.size(); ++i) {
        sources.push_back(dir.file("s" + std::to_string(i) + ".tif"));
        fixtures::writeTiff(sources.back(), {pages[i]});
    }
    RecordingContext rec;
    const ComposeResult result = compose(sources, dir.file("out.tif"), false, rec);
    EXPECT_TRUE(result.written);
    EXPECT_EQ(rec.messages(), std::vector<std::string>{"提示|TIF文件合成完毕!"});
    const auto out = fixtures::readTiffPages(dir.file("out.tif"));
    ASSERT_EQ(out.size(), pages.size());
    const uint16_t bits[] = {1, 8, 8, 8, 8}, samples[] = {1, 1, 1, 3, 4};
    const uint16_t photometric[] = {PHOTOMETRIC_MINISWHITE, PHOTOMETRIC_PALETTE,
                                    PHOTOMETRIC_MINISBLACK, PHOTOMETRIC_RGB, PHOTOMETRIC_RGB};
    for (size_t i = 0; i < pages.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(out[i].bitsPerSample, bits[i]);
        EXPECT_EQ(out[i].samplesPerPixel, samples[i]);
        EXPECT_EQ(out[i].photometric, photometric[i]);
        EXPECT_EQ(out[i].compression, COMPRESSION_LZW);
        EXPECT_TRUE(out[i].hasPageNumber);
        EXPECT_EQ(out[i].pageNumber, i);
        EXPECT_EQ(out[i].pageTotal, pages.size());
        EXPECT_NEAR(out[i].xResolution, pages[i].dpi, 0.01);
        expectPage(out[i], pages[i]);
    }
    EXPECT_EQ(fixtures::listFolder(dir.path().string()).size(), pages.size() + 1)
        << "no temporary file is left behind";
}

TEST(ComposeTiff, FirstPageOrAllPages) {
    TempDir dir;
    const std::vector<TiffPage> a = {{TiffKind::Rgb, 10, 10}, {TiffKind::Grey8, 11, 10}, {TiffKind::Rgb, 12, 10}};
    const std::vector<TiffPage> b = {{TiffKind::Grey8, 20, 5}, {TiffKind::Rgb, 21, 5}, {TiffKind::Bilevel, 22, 5}};
    fixtures::writeTiff(dir.file("a.tif"), a);
    fixtures::writeTiff(dir.file("b.tif"), b);
    fixtures::writePng(dir.file("c.png"), fixtures::gradient(7, 3, 3));
    fixtures::writeGif(dir.file("d.gif"), 4, 4, {0xFF0000, 0x00FF00},
                       {{0, 0, 4, 4, std::vector<uint8_t>(16, 0)}, {1, 1, 2, 2, std::vector<uint8_t>(4, 1)}});
    const std::vector<std::string> sources = {dir.file("a.tif"), dir.file("b.tif"), dir.file("c.png"),
                                              dir.file("d.gif")};
    RecordingContext rec;
    compose(sources, dir.file("all.tif"), true, rec);
    compose(sources, dir.file("first.tif"), false, rec);
    std::vector<uint32_t> widths;
    for (const auto& page : fixtures::readTiffPages(dir.file("all.tif"))) widths.push_back(page.width);
    EXPECT_EQ(widths, (std::vector<uint32_t>{10, 11, 12, 20, 21, 22, 7, 4, 4}));
    widths.clear();
    for (const auto& page : fixtures::readTiffPages(dir.file("first.tif"))) widths.push_back(page.width);
    EXPECT_EQ(widths, (std::vector<uint32_t>{10, 20, 7, 4}));
    const auto all = fixtures::readTiffPages(dir.file("all.tif"));
    EXPECT_EQ(all[8].argb[5], 0xFF00FF00u) << "the GIF's second frame, composited";
    EXPECT_EQ(all[8].argb[0], 0xFFFF0000u);
}

TEST(ComposeTiff, UndecodableSourcesAreSkippedAndNamed) {
    TempDir dir;
    fixtures::writeTiff(dir.file("good.tif"), {{TiffKind::Rgb, 5, 5}});
    std::vector<std::string> sources = {dir.file("gone.png"), dir.file("good.tif")};
    RecordingContext rec;
    const ComposeResult result = compose(sources, dir.file("out.tif"), false, rec);
    EXPECT_TRUE(result.written);
    EXPECT_EQ(fixtures::readTiffPages(dir.file("out.tif")).size(), 1u) << "the first good page opens the output";
    EXPECT_EQ(rec.messages(),
              std::vector<std::string>{"错误|TIF文件合成完毕,但以下图片无法识别,未能合成:\n" + dir.file("gone.png")});

    for (int i = 0; i < 12; ++i) sources.push_back(dir.file("missing" + std::to_string(i) + ".gif"));
    const std::string text = skippedSourcesMessage(std::vector<std::string>(sources.begin() + 2, sources.end()));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 11);
    EXPECT_NE(text.find("missing9.gif\n……共12个"), std::string::npos);
    EXPECT_EQ(text.find("missing10.gif"), std::string::npos);
}

TEST(ComposeTiff, NothingDecodableWritesNothing) {
    TempDir dir;
    fixtures::writeBytes(dir.file("out.tif"), {'o', 'l', 'd'});
    RecordingContext rec;
    const ComposeResult result = compose({dir.file("a.png"), dir.file("b.png")}, dir.file("out.tif"), true, rec);
    EXPECT_FALSE(result.written);
    EXPECT_EQ(rec.messages(), std::vector<std::string>{"错误|TIF文件合成失败!"});
    EXPECT_EQ(fixtures::readBytes(dir.file("out.tif")), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(fixtures::listFolder(dir.path().string()), std::vector<std::string>{"out.tif"});

    fixtures::writeTiff(dir.file("good.tif"), {{TiffKind::Rgb, 5, 5}});
    RecordingContext again;
    compose({dir.file("good.tif")}, dir.file("no/such/folder/out.tif"), false, again);
    EXPECT_EQ(again.messages(), std::vector<std::string>{"错误|TIF文件合成失败!"});
}

TEST(ComposeTiff, RefusesMissingOrClashingOutput) {
    TempDir dir;
    fixtures::writeTiff(dir.file("a.tif"), {{TiffKind::Rgb, 5, 5}});
    const std::vector<uint8_t> original = fixtures::readBytes(dir.file("a.tif"));
    ASSERT_EQ(symlink(dir.file("a.tif").c_str(), dir.file("link.tif").c_str()), 0);
    RecordingContext rec;
    compose({dir.file("a.tif")}, "  ", false, rec);
    compose({dir.file("a.tif")}, dir.file("a.tif"), false, rec);
    compose({dir.file("a.tif")}, dir.file("link.tif"), false, rec);
    EXPECT_EQ(rec.messages(), (std::vector<std::string>{"错误|请选择文件保存的名字!",
                                                        "错误|合成文件不能覆盖待合成的图片!",
                                                        "错误|合成文件不能覆盖待合成的图片!"}));
    EXPECT_EQ(fixtures::readBytes(dir.file("a.tif")), original);
    RecordingContext none;
    compose({}, dir.file("x.tif"), false, none);
    EXPECT_TRUE(none.events.empty()) << "an empty list composes nothing, silently";
}

TEST(ComposeTiff, OutputIsCompleteBeforeTheMessage) {
    TempDir dir;
    fixtures::writeTiff(dir.file("a.tif"), {{TiffKind::Rgb, 5, 5}, {TiffKind::Rgb, 6, 6}});
    fixtures::writeTiff(dir.file("b.tif"), {{TiffKind::Grey8, 7, 7}});
    RecordingContext rec;
    size_t pagesAtMessage = 0;
    rec.onMessage = [&] { pagesAtMessage = fixtures::readTiffPages(dir.file("out.tif")).size(); };
    compose({dir.file("a.tif"), dir.file("b.tif")}, dir.file("out.tif"), true, rec);
    EXPECT_EQ(pagesAtMessage, 3u);
    // Every page taken: a step per page (a.tif's two, b.tif's one), the status text shown
    // before the first page is read.
    EXPECT_EQ(rec.events, (std::vector<std::string>{"begin 3 正在合成TIFF文件,请等待......", "pump", "step 0", "pump",
                                                    "step 1", "pump", "step 2", "pump", "end",
                                                    "message 提示|TIF文件合成完毕!"}));
}

TEST(ComposeTiff, ExistingOutputIsReplacedWithoutQuestion) {
    TempDir dir;
    fixtures::writeTiff(dir.file("a.tif"), {{TiffKind::Rgb, 5, 5}});
    fixtures::writeBytes(dir.file("out.tif"), {'o', 'l', 'd'});
    RecordingContext rec;
    compose({dir.file("a.tif"), dir.file("a.tif")}, dir.file("out.tif"), false, rec);
    EXPECT_EQ(fixtures::readTiffPages(dir.file("out.tif")).size(), 2u) << "the same file twice, written twice";
}

}  // namespace

// A composition holds the page in hand, not every page it took: the first source's pixels go
// once its pages are in, although the image that read it carries the file to its end. Peak
// memory of a composition in a process of its own on one worker (no source read ahead),
// with one source and with three.
TEST(ComposeTiff, HoldsOnePageAtATime) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer keeps freed memory in quarantine: peak memory says nothing here";
#endif
    TempDir dir;
    const std::string a = dir.file("a.tif"), b = dir.file("b.tif"), c = dir.file("c.tif");
    // 3000 x 3000 RGB: 27 MB a page decoded, a few kB stored.
    for (const std::string& path : {a, b, c}) fixtures::writeTiff(path, {{TiffKind::Rgb, 3000, 3000, COMPRESSION_LZW}});
    const auto peakKiB = [&](const std::vector<std::string>& sources) -> long {
        const pid_t child = fork();
        if (child == 0) {
            ImagingSession::setWorkers(1);
            RecordingContext rec;
            _exit(fixtures::compose(sources, dir.file("m.tif"), false, rec).written ? 0 : 1);
        }
        int status = 0;
        rusage usage{};
        if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            return -1;
        return usage.ru_maxrss;
    };
    const long one = peakKiB({a}), three = peakKiB({a, b, c});
    ASSERT_GT(one, 0);
    ASSERT_GT(three, 0);
    EXPECT_LT(three - one, 27000 / 2) << "one source: " << one << " KiB, three: " << three << " KiB";
}
