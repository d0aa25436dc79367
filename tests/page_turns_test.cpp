// Pages turned without loss and stacks collated, read back with independent readers: libtiff
// for what is stored, Pillow for the pixels, libjpeg-turbo's jpegtran for JPEG blocks, poppler
// for PDF pages.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <filesystem>
#include <fstream>

#include "merge/compose.h"
#include "split/page_export.h"
#include "support/fixtures.h"
#include "support/hand_made.h"
#include "support/page_fixtures.h"
#include "support/readback.h"
#include "support/tool_runs.h"

using namespace orvelle;
using fixtures::RecordingContext;
using fixtures::StoredLayout;
using fixtures::TempDir;

namespace {

#define REQUIRE_PILLOW() REQUIRE_TOOLS("/usr/bin/python3 -c 'import PIL'", "python3 and Pillow")

ComposeResult merge(const std::vector<std::string>& sources, const std::string& output, std::vector<int> turns,
                    bool lossless = true) {
    RecordingContext rec;
    JobContext context = rec.context();
    ComposeRequest request{sources, output, true};
    request.lossless = lossless;
    request.pdf = isPdfPath(output);
    request.pageTurns = std::move(turns);
    return ComposeTiff(request, context);
}

// Whether page `page` of `turned` holds the stored rows of page 0 of `source` turned by
// `quarters` clockwise, as Pillow decodes both (it reads rows as stored, whatever the
// Orientation tag says); "same" or what differs.
std::string pillowCompares(const std::string& source, const std::string& turned, int page, int quarters) {
    TempDir dir;
    const std::string script = dir.file("compare.py");
    std::ofstream(script) << R"(import sys
from PIL import Image
source, turned, page, quarters = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
a = Image.open(source)
b = Image.open(turned)
b.seek(page)
a.load(); b.load()
turn = {0: None, 1: Image.ROTATE_270, 2: Image.ROTATE_180, 3: Image.ROTATE_90}[quarters]
if turn is not None:
    a = a.transpose(turn)
if a.mode == 'P':
    a = a.convert('RGB'); b = b.convert('RGB')
print('same' if (a.mode, a.size, a.tobytes()) == (b.mode, b.size, b.tobytes()) else
      'differs: %s %s against %s %s' % (b.mode, b.size, a.mode, a.size))
)";
    return fixtures::run("/usr/bin/python3 " + script + " '" + source + "' '" + turned + "' " + std::to_string(page) +
                         " " + std::to_string(quarters))
        .output;
}

uint16_t tag16(const std::string& path, uint16_t page, uint32_t tag) {
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    uint16_t value = 0;
    if (tif && TIFFSetDirectory(tif, page)) TIFFGetFieldDefaulted(tif, tag, &value);
    if (tif) TIFFClose(tif);
    return value;
}

struct TurnCase {
    StoredLayout layout;
    // How the turned page is stored: its own compression coded again, or its data kept
    // with its Orientation tag turned, or decoded into deflate.
    enum { CodedAgain, Tagged, Deflated } kept;
};

void PrintTo(const TurnCase& c, std::ostream* out) { *out << c.layout.name; }

class TurnedPages : public ::testing::TestWithParam<TurnCase> {};

TEST_P(TurnedPages, KeepTheirCompressionAndEveryPixel) {
    REQUIRE_PILLOW();
    const TurnCase& c = GetParam();
    TempDir dir;
    const std::string source = dir.file("source.tif");
    fixtures::writeStoredPage(source, c.layout);  // stored with orientation 6
    for (int quarters = 1; quarters <= 3; ++quarters) {
        SCOPED_TRACE(quarters);
        const std::string output = dir.file("turned.tif");
        const ComposeResult result = merge({source}, output, {quarters});
        ASSERT_TRUE(result.written);
        ASSERT_EQ(result.outcomes[0].turnedPages.size(), 1u);
        EXPECT_EQ(result.outcomes[0].turnedPages[0].quarterTurns, quarters);
        const LosslessPage& page = result.outcomes[0].losslessPages.at(0);
        switch (c.kept) {
            case TurnCase::CodedAgain:
                EXPECT_FALSE(page.copied);
                EXPECT_EQ(tag16(output, 0, TIFFTAG_COMPRESSION), c.layout.compression);
                EXPECT_EQ(tag16(output, 0, TIFFTAG_ORIENTATION), ORIENTATION_RIGHTTOP);
                EXPECT_EQ(pillowCompares(source, output, 0, quarters), "same\n");
                break;
            case TurnCase::Tagged: {
                EXPECT_TRUE(page.copied);
                EXPECT_EQ(fixtures::rawPieces(output, 0), fixtures::rawPieces(source, 0));
                const uint16_t seen[] = {ORIENTATION_RIGHTTOP, ORIENTATION_BOTRIGHT, ORIENTATION_LEFTBOT, ORIENTATION_TOPLEFT};
                EXPECT_EQ(tag16(output, 0, TIFFTAG_ORIENTATION), seen[quarters]);
                break;
            }
            case TurnCase::Deflated:
                EXPECT_FALSE(page.copied);
                EXPECT_EQ(tag16(output, 0, TIFFTAG_COMPRESSION), COMPRESSION_ADOBE_DEFLATE);
                break;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, TurnedPages,
    ::testing::Values(
        TurnCase{{"g4_msb_first", COMPRESSION_CCITTFAX4, PHOTOMETRIC_MINISWHITE, 1, 1}, TurnCase::CodedAgain},
        TurnCase{{"g4_lsb_first", COMPRESSION_CCITTFAX4, PHOTOMETRIC_MINISWHITE, 1, 1, FILLORDER_LSB2MSB},
                 TurnCase::CodedAgain},
        TurnCase{{"g3", COMPRESSION_CCITTFAX3, PHOTOMETRIC_MINISWHITE, 1, 1}, TurnCase::CodedAgain},
        TurnCase{{"packbits_bilevel", COMPRESSION_PACKBITS, PHOTOMETRIC_MINISBLACK, 1, 1}, TurnCase::CodedAgain},
        TurnCase{{"lzw_predictor", COMPRESSION_LZW, PHOTOMETRIC_RGB, 3, 8, 1, PREDICTOR_HORIZONTAL}, TurnCase::CodedAgain},
        TurnCase{{"deflate_grey", COMPRESSION_ADOBE_DEFLATE, PHOTOMETRIC_MINISBLACK, 1, 8}, TurnCase::CodedAgain},
        TurnCase{{"none_rgb", COMPRESSION_NONE, PHOTOMETRIC_RGB, 3, 8}, TurnCase::CodedAgain},
        TurnCase{{"tiled", COMPRESSION_LZW, PHOTOMETRIC_RGB, 3, 8, 1, 1, 1, true}, TurnCase::CodedAgain},
        TurnCase{{"grey16", COMPRESSION_LZW, PHOTOMETRIC_MINISBLACK, 1, 16}, TurnCase::CodedAgain},
        TurnCase{{"grey4", COMPRESSION_LZW, PHOTOMETRIC_MINISBLACK, 1, 4}, TurnCase::CodedAgain},
        TurnCase{{"palette", COMPRESSION_LZW, PHOTOMETRIC_PALETTE, 1, 8}, TurnCase::CodedAgain},
        TurnCase{{"jpeg_in_strips", COMPRESSION_JPEG, PHOTOMETRIC_YCBCR, 3, 8}, TurnCase::Tagged},
        TurnCase{{"planar", COMPRESSION_LZW, PHOTOMETRIC_RGB, 3, 8, 1, 1, PLANARCONFIG_SEPARATE}, TurnCase::Deflated}),
    [](const ::testing::TestParamInfo<TurnCase>& info) { return info.param.layout.name; });

// JPEG files are turned in their blocks, as jpegtran -perfect turns them; one whose sides
// are not whole blocks keeps its data and gets its turn as a tag.
TEST(TurnedJpeg, MovesBlocksAsJpegtranDoesOrKeepsTheDataWithATag) {
    REQUIRE_PILLOW();
    REQUIRE_TOOLS("command -v jpegtran", "libjpeg-turbo's jpegtran");
    struct Row {
        const char* name;
        uint32_t width, height;
        int channels;
        bool wholeBlocks;
    };
    const Row rows[] = {{"colour 4:2:0", 64, 48, 3, true}, {"grey", 40, 24, 1, true}, {"ragged", 65, 50, 3, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        const std::string jpeg = dir.file("photo.jpg");
        fixtures::writeJpegWith(jpeg, fixtures::gradient(row.width, row.height, row.channels), {.jfifDpi = 150});
        for (int quarters = 1; quarters <= 3; ++quarters) {
            SCOPED_TRACE(quarters);
            const std::string output = dir.file("turned.tif");
            const ComposeResult result = merge({jpeg}, output, {quarters});
            ASSERT_TRUE(result.written);
            EXPECT_EQ(tag16(output, 0, TIFFTAG_COMPRESSION), COMPRESSION_JPEG);
            const std::string reference = dir.file("reference.jpg");
            const fixtures::ToolRun jpegtran = fixtures::run("jpegtran -perfect -rotate " + std::to_string(90 * quarters) +
                                                             " -outfile " + reference + " " + jpeg);
            EXPECT_EQ(jpegtran.exit == 0, row.wholeBlocks) << jpegtran.output;
            if (row.wholeBlocks) {
                EXPECT_FALSE(result.outcomes[0].losslessPages.at(0).copied);
                EXPECT_EQ(pillowCompares(reference, output, 0, 0), "same\n");
            } else {
                EXPECT_TRUE(result.outcomes[0].losslessPages.at(0).copied);
                const uint16_t seen[] = {1, ORIENTATION_RIGHTTOP, ORIENTATION_BOTRIGHT, ORIENTATION_LEFTBOT};
                EXPECT_EQ(tag16(output, 0, TIFFTAG_ORIENTATION), seen[quarters]);
                // Pillow shows a JPEG-compressed TIFF page as its Orientation tag says.
                EXPECT_EQ(pillowCompares(jpeg, output, 0, quarters), "same\n");
            }
        }
    }
}

// Decoded pages (no --lossless, or a source that is decoded anyway) are turned as pictures.
TEST(TurnedDecoded, PagesOfADecodedMergeAreTurned) {
    REQUIRE_PILLOW();
    TempDir dir;
    const std::string png = dir.file("picture.png");
    fixtures::writePng(png, fixtures::gradient(30, 20, 3));
    for (const bool lossless : {false, true}) {
        SCOPED_TRACE(lossless);
        const std::string output = dir.file("turned.tif");
        const ComposeResult result = merge({png, png}, output, {1, 3}, lossless);
        ASSERT_TRUE(result.written);
        EXPECT_EQ(pillowCompares(png, output, 0, 1), "same\n");
        EXPECT_EQ(pillowCompares(png, output, 1, 3), "same\n");
    }
}

// Split turns the pages it writes, as stored or decoded, by their place among those asked for.
TEST(TurnedSplit, PagesWrittenAreTurnedByTheirPlace) {
    REQUIRE_PILLOW();
    TempDir dir;
    const std::string source = dir.file("scan.tif");
    // Two alike pages: the second is written turned.
    fixtures::writeTiff(source, std::vector<fixtures::TiffPage>(2, {fixtures::TiffKind::Bilevel, 40, 24, COMPRESSION_CCITTFAX4}));
    for (const ExportFormat format : {ExportFormat::Tiff, ExportFormat::Png}) {
        SCOPED_TRACE(formatRow(format).Extension);
        RecordingContext rec;
        JobContext context = rec.context();
        ExportAllRequest request{source, dir.file(formatRow(format).Extension), format, nullptr};
        std::filesystem::create_directory(request.folder);
        request.lossless = format == ExportFormat::Tiff;
        request.pageTurns = {0, 3};
        const ExportAllResult result = ExportAllPages(request, context);
        ASSERT_EQ(result.written.size(), 2u) << testing::PrintToString(rec.messages()) << testing::PrintToString(rec.details);
        EXPECT_EQ(result.outcomes[1].quarterTurns, 3);
        EXPECT_EQ(pillowCompares(result.written[0], result.written[1], 0, 3), "same\n");
    }
}

// A PDF's page keeps its content and text; its turn adds to the /Rotate it had.
TEST(TurnedPdf, APageIsTurnedByItsRotateAndKeepsItsText) {
    REQUIRE_TOOLS("pdfinfo -v && pdftotext -v", "poppler-utils");
    TempDir dir;
    const std::string helvetica = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>";
    const std::string content = "BT /F1 24 Tf 4 8 Td (Hello) Tj ET";
    const std::string source = dir.file("letter.pdf");
    fixtures::writeBytes(
        source, [&] {
            const std::string pdf = fixtures::handMadePdf(
                {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 /Rotate 90 >>",
                 "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 144 72] /Contents 4 0 R "
                 "/Resources << /Font << /F1 5 0 R >> >> >>",
                 "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream",
                 helvetica});
            return std::vector<uint8_t>(pdf.begin(), pdf.end());
        }());
    const std::string output = dir.file("turned.pdf");
    const ComposeResult result = merge({source, source}, output, {1, 2});
    ASSERT_TRUE(result.written);
    EXPECT_TRUE(result.outcomes[0].losslessPages.at(0).copied);
    const std::string info = fixtures::run("pdfinfo -f 1 -l 2 " + output).output;
    EXPECT_NE(info.find("Page    1 rot:   180"), std::string::npos) << info;  // inherited 90, and 90
    EXPECT_NE(info.find("Page    2 rot:   270"), std::string::npos) << info;
    EXPECT_NE(fixtures::run("pdftotext " + output + " -").output.find("Hello"), std::string::npos);
}

// Fronts and backs (the backs scanned last page first) become one document in the paper's
// order; stacks of different lengths are refused with their counts.
TEST(Collate, FrontsAndReversedBacksInterleaveAndUnevenStacksAreRefused) {
    TempDir dir;
    // Page k of the paper is a picture k + 1 pixels wide.
    const auto stack = [&](const std::string& name, std::vector<uint32_t> widths) {
        std::vector<fixtures::TiffPage> pages;
        for (const uint32_t width : widths) pages.push_back({fixtures::TiffKind::Grey8, width, 4});
        fixtures::writeTiff(dir.file(name), pages);
        return dir.file(name);
    };
    const std::string fronts = stack("fronts.tif", {1, 3, 5, 7, 9});
    const std::string backs = stack("backs.tif", {10, 8, 6, 4, 2});
    ComposeRequest request{{fronts, backs}, dir.file("book.tif"), true};
    request.sourcePages = {{}, {4, 3, 2, 1, 0}};  // backs.tif[z-1]
    std::string why;
    ASSERT_TRUE(collateSources(request, why)) << why;
    request.lossless = true;
    RecordingContext rec;
    JobContext context = rec.context();
    const ComposeResult result = ComposeTiff(request, context);
    ASSERT_TRUE(result.written);
    const auto pages = fixtures::readTiffPages(request.outputPath);
    ASSERT_EQ(pages.size(), 10u);
    for (uint32_t k = 0; k < 10; ++k) EXPECT_EQ(pages[k].width, k + 1) << "page " << k + 1;

    ComposeRequest uneven{{fronts, stack("short.tif", {2, 4, 6, 8})}, dir.file("never.tif"), true};
    EXPECT_FALSE(collateSources(uneven, why));
    EXPECT_NE(why.find("has 5, " + uneven.sources[1] + " 4"), std::string::npos) << why;
}

}  // namespace

#include "imaging/platform/orientation.h"

namespace {

// Bilevel and byte-sized pixels of odd sizes turned each way, against the turn worked out
// pixel by pixel here: a quarter turn clockwise takes pixel (x, y) to (height - 1 - y, x).
TEST(TurnedPixels, EveryTurnOfOddSizesPixelByPixel) {
    for (const uint32_t bits : {1u, 4u, 8u, 24u}) {
        for (const auto [width, height] : {std::pair{37u, 21u}, std::pair{8u, 16u}, std::pair{1u, 9u}, std::pair{70u, 3u}}) {
            const size_t stride = (size_t{width} * bits + 7) / 8 + 3;
            std::vector<uint8_t> in(stride * height);
            uint32_t seed = 7;
            for (uint8_t& byte : in) byte = static_cast<uint8_t>((seed = seed * 1103515245 + 12345) >> 16);
            const auto pixel = [&](const uint8_t* rows, size_t rowBytes, uint32_t x, uint32_t y) {
                uint32_t value = 0;
                for (uint32_t b = 0; b < bits; ++b) {
                    const size_t at = size_t{x} * bits + b;
                    value = value << 1 | ((rows[y * rowBytes + at / 8] >> (7 - at % 8)) & 1);
                }
                return value;
            };
            for (int quarters = 1; quarters <= 3; ++quarters) {
                SCOPED_TRACE(testing::Message() << bits << " bits " << width << "x" << height << " turned " << quarters);
                const bool swap = quarters % 2 == 1;
                const uint32_t outWidth = swap ? height : width, outHeight = swap ? width : height;
                const size_t outStride = (size_t{outWidth} * bits + 7) / 8;
                std::vector<uint8_t> out(outStride * outHeight, 0);
                gdip::turnPixels(in.data(), stride, width, height, bits, gdip::turnedOrientation(1, quarters), out.data(),
                                 outStride);
                int wrong = 0;
                for (uint32_t y = 0; y < height; ++y)
                    for (uint32_t x = 0; x < width; ++x) {
                        uint32_t tx = x, ty = y;
                        for (int q = 0, h = static_cast<int>(height), w = static_cast<int>(width); q < quarters; ++q) {
                            const uint32_t nx = static_cast<uint32_t>(h) - 1 - ty;
                            ty = tx;
                            tx = nx;
                            std::swap(h, w);
                        }
                        wrong += pixel(out.data(), outStride, tx, ty) != pixel(in.data(), stride, x, y);
                    }
                EXPECT_EQ(wrong, 0);
                // Padding bits after each row stay clear.
                if (bits == 1 && outWidth % 8 != 0)
                    for (uint32_t y = 0; y < outHeight; ++y)
                        EXPECT_EQ(out[y * outStride + outStride - 1] & ((1u << (8 - outWidth % 8)) - 1), 0u) << y;
            }
        }
    }
}

}  // namespace
