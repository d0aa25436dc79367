// Blank pages: a table of scanned-looking A4 pages at 150 dpi with the verdict each must get,
// and blank pages left out of a merge and a split, each one listed.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <functional>

#include "imaging/blank_pages.h"
#include "imaging/text_path.h"
#include "merge/compose.h"
#include "split/page_export.h"
#include "support/fixtures.h"
#include "support/readback.h"

using namespace orvelle;
using fixtures::Picture;
using fixtures::TempDir;

namespace {

constexpr uint32_t kWidth = 1240, kHeight = 1754;  // A4 at 150 dpi

Picture paper(uint8_t red, uint8_t green, uint8_t blue) {
    Picture page{kWidth, kHeight, 3, std::vector<uint8_t>(size_t{kWidth} * kHeight * 3)};
    for (size_t i = 0; i < page.samples.size(); i += 3) {
        page.samples[i] = red;
        page.samples[i + 1] = green;
        page.samples[i + 2] = blue;
    }
    return page;
}

void fill(Picture& page, uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1, uint8_t grey) {
    for (uint32_t y = y0; y < y1; ++y)
        for (uint32_t x = x0; x < x1; ++x) std::fill_n(page.at(x, y), 3, grey);
}

// Glyph-sized marks of print, 10 x 18 with three strokes each, `count` of them along a line.
void printLine(Picture& page, uint32_t x, uint32_t y, uint32_t count, uint8_t grey = 25) {
    for (uint32_t k = 0; k < count; ++k)
        for (uint32_t stroke = 0; stroke < 18; stroke += 6) fill(page, x + 14 * k, y + stroke, x + 14 * k + 10, y + stroke + 2, grey);
}

TEST(BlankPages, VerdictsOnPagesAsScannersMakeThem) {
    struct Row {
        const char* name;
        std::function<Picture()> make;
        bool blank;
    };
    const std::vector<Row> rows = {
        {"white", [] { return paper(255, 255, 255); }, true},
        {"yellowed paper", [] { return paper(236, 226, 190); }, true},
        {"bleed-through", [] {
             Picture page = paper(245, 243, 238);
             for (uint32_t y = 150; y < 1600; y += 30) printLine(page, 120, y, 70, 212);  // a whole page, light
             return page;
         }, true},
        {"a lone page number", [] {
             Picture page = paper(250, 250, 250);
             printLine(page, 600, 1650, 3);
             return page;
         }, true},
        {"a punched hole and a scanner edge", [] {
             Picture page = paper(255, 255, 255);
             fill(page, 0, 0, 8, kHeight, 0);          // the edge, inside the margin
             fill(page, 2, 400, 11, 440, 30);           // a hole, inside the margin
             return page;
         }, true},
        {"dust", [] {
             Picture page = paper(255, 255, 255);
             for (uint32_t k = 0; k < 40; ++k) fill(page, 100 + 27 * k, 200 + 37 * k, 102 + 27 * k, 202 + 37 * k, 0);
             return page;
         }, true},
        {"a line of text", [] {
             Picture page = paper(255, 255, 255);
             printLine(page, 120, 300, 40);
             return page;
         }, false},
        {"a signature on yellowed paper", [] {
             Picture page = paper(236, 226, 190);
             for (uint32_t x = 700; x < 1000; ++x) fill(page, x, 1400 + (x % 40), x + 1, 1404 + (x % 40), 60);
             return page;
         }, false},
        {"a photograph", [] {
             Picture page = paper(255, 255, 255);
             for (uint32_t y = 300; y < 900; ++y)
                 for (uint32_t x = 200; x < 1000; ++x) std::fill_n(page.at(x, y), 3, static_cast<uint8_t>((x * 7 + y) % 256));
             return page;
         }, false},
        {"a black sheet", [] { return paper(10, 10, 10); }, false},
    };
    TempDir dir;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = dir.file("page.png");
        fixtures::writePng(path, row.make());
        const auto page = fixtures::load(path);
        EXPECT_EQ(isBlankPage(*page), row.blank) << "ink " << page->InkShare();
    }
    // The same verdicts on a fax: bilevel pages stored as G4.
    const std::string fax = dir.file("fax.tif");
    fixtures::writeTiff(fax, {{fixtures::TiffKind::Bilevel, 1728, 2200, COMPRESSION_CCITTFAX4}});
    const auto page = fixtures::load(fax);
    EXPECT_FALSE(isBlankPage(*page)) << "a gradient thresholded is half ink";
}

TEST(BlankPages, AreLeftOutOfMergeAndSplitAndListed) {
    TempDir dir;
    const std::string blank = dir.file("blank.png"), text = dir.file("text.png");
    fixtures::writePng(blank, paper(255, 255, 255));
    Picture printed = paper(255, 255, 255);
    printLine(printed, 120, 300, 60);
    fixtures::writePng(text, printed);
    const std::string document = dir.file("doc.tif");
    fixtures::RecordingContext rec;
    JobContext context = rec.context();
    ComposeRequest pages{{text, blank, text, blank}, document};
    ASSERT_TRUE(ComposeTiff(pages, context).written);

    for (const bool lossless : {false, true}) {
        SCOPED_TRACE(lossless);
        ComposeRequest request{{document, blank}, dir.file("kept.tif"), true};
        request.lossless = lossless;
        request.dropBlank = true;
        request.pageTurns = {1, 0, 2, 0, 0};
        const ComposeResult result = ComposeTiff(request, context);
        ASSERT_TRUE(result.written);
        EXPECT_EQ(result.pages, 2u);
        ASSERT_EQ(result.blankPagesDropped.size(), 3u);
        EXPECT_EQ(result.blankPagesDropped[0].page, 1u);
        EXPECT_EQ(result.blankPagesDropped[1].page, 3u);
        EXPECT_EQ(result.blankPagesDropped[2].path, blank);
        // The turns stay with their pages: the first printed page a quarter, the second a half.
        const auto kept = fixtures::readTiffPages(request.outputPath);
        ASSERT_EQ(kept.size(), 2u);
        EXPECT_EQ(kept[0].width, kHeight);
        EXPECT_EQ(kept[1].width, kWidth);
    }
    ComposeRequest allBlank{{blank}, dir.file("never.tif")};
    allBlank.dropBlank = true;
    const ComposeResult none = ComposeTiff(allBlank, context);
    EXPECT_FALSE(none.written);
    EXPECT_EQ(none.outputFailure, "every page asked for is blank");

    ExportAllRequest split{document, dir.path().string(), ExportFormat::Png, nullptr};
    split.dropBlank = true;
    const ExportAllResult result = ExportAllPages(split, context);
    EXPECT_EQ(result.written.size(), 2u);
    EXPECT_EQ(result.blankPagesDropped, (std::vector<uint32_t>{1, 3}));
}

}  // namespace
