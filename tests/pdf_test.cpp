// PDFs written and read: checked with readers of their own (qpdf, poppler's tools, libtiff)
// and made by another writer (img2pdf) for the way back.
#include <gtest/gtest.h>
#include <tiffio.h>
#include <zlib.h>

#include <cstdio>
#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

#include "cli/info_command.h"
#include "merge/compose.h"
#include "split/page_export.h"
#include "support/fixtures.h"
#include "support/hand_made.h"
#include "support/page_fixtures.h"
#include "support/job_runs.h"
#include "support/readback.h"
#include "support/tool_runs.h"

using namespace orvelle;
using fixtures::Picture;
using fixtures::RecordingContext;
using fixtures::TempDir;

namespace {

using fixtures::run;
using fixtures::pbmBits;

#define REQUIRE_PDF_TOOLS() REQUIRE_TOOLS("qpdf --version && pdfimages -v && pdftoppm -v && pdfinfo -v", "qpdf and poppler-utils")

// A bilevel page of `width` x `height` with distinct rows, G4 in one strip (or LZW in strips
// of 8 rows), white is zero, at `dpiX` x `dpiY`.
void writeFaxTiff(const std::string& path, uint32_t width, uint32_t height, float dpiX, float dpiY, bool g4) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, g4 ? COMPRESSION_CCITTFAX4 : COMPRESSION_LZW);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, g4 ? height : 8u);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, dpiX);
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, dpiY);
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    std::vector<uint8_t> row((width + 7) / 8);
    for (uint32_t y = 0; y < height; ++y) {
        for (size_t i = 0; i < row.size(); ++i) row[i] = static_cast<uint8_t>((y * 37 + i * 11) % 7 == 0 ? 0xF0 : y % 5 == 0 ? 0x3C : 0);
        TIFFWriteScanline(tif, row.data(), y, 0);
    }
    TIFFClose(tif);
}

// Rows of a bilevel TIFF as black (1) and white (0) bits, as libtiff reads them.
std::vector<uint8_t> blackBits(const std::string& path) {
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    std::vector<uint8_t> bits;
    if (!tif) return bits;
    uint32_t width = 0, height = 0;
    uint16_t photometric = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    std::vector<uint8_t> row(TIFFScanlineSize(tif));
    for (uint32_t y = 0; y < height; ++y) {
        TIFFReadScanline(tif, row.data(), y, 0);
        for (uint32_t x = 0; x < width; ++x) {
            const int bit = (row[x >> 3] >> (7 - (x & 7))) & 1;
            bits.push_back(static_cast<uint8_t>(photometric == PHOTOMETRIC_MINISWHITE ? bit : !bit));
        }
    }
    TIFFClose(tif);
    return bits;
}

std::string rawStrip(const std::string& path) {
    const auto pieces = fixtures::rawPieces(path, 0);
    return pieces.empty() ? std::string() : std::string(pieces[0].begin(), pieces[0].end());
}

std::string fileText(const std::string& path) {
    const auto bytes = fixtures::readBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// The encoding column of `pdfimages -list` (or another, `column` from 0), one per image,
// masks as "smask:<value>".
std::vector<std::string> imageCodings(const std::string& pdf, int column = 8) {
    std::istringstream lines(run("pdfimages -list '" + pdf + "'").output);
    std::vector<std::string> codings;
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::vector<std::string> cells(12);
        for (std::string& cell : cells) fields >> cell;
        if (!fields) continue;
        if (cells[2] == "image") codings.push_back(cells[column]);
        else if (cells[2] == "smask") codings.push_back("smask:" + cells[column]);
    }
    return codings;
}

// "size" and "rot" of each page, as pdfinfo words them.
std::map<int, std::string> pageFacts(const std::string& pdf, int pages, const char* what) {
    std::istringstream lines(run("pdfinfo -f 1 -l " + std::to_string(pages) + " '" + pdf + "'").output);
    std::map<int, std::string> facts;
    std::string line;
    while (std::getline(lines, line)) {
        int page = 0;
        char key[8] = {};
        if (std::sscanf(line.c_str(), "Page %d %7[a-z]:", &page, key) == 2 && std::string(key) == what)
            facts[page] = line.substr(line.find(':') + 1).substr(line.substr(line.find(':') + 1).find_first_not_of(' '));
    }
    return facts;
}

ComposeResult mergeToPdf(const std::vector<std::string>& sources, const std::string& output, RecordingContext& rec) {
    JobContext context = rec.context();
    ComposeRequest request{sources, output, true};
    request.pdf = true;
    return ComposeTiff(request, context);
}

}  // namespace

TEST(PdfOutput, PagesKeepTheirDataSizeAndTurn) {
    REQUIRE_PDF_TOOLS();
    TempDir dir;
    writeFaxTiff(dir.file("fax.tif"), 200, 100, 204, 98, true);
    writeFaxTiff(dir.file("strips.tif"), 64, 40, 200, 200, false);
    fixtures::JpegExtras turned;
    turned.orientation = 6;
    turned.jfifDpi = 150;
    fixtures::writeJpegWith(dir.file("photo.jpg"), fixtures::gradient(48, 32, 3), turned);
    fixtures::writePng(dir.file("alpha.png"), fixtures::gradient(20, 10, 4));
    fixtures::writePng(dir.file("plain.png"), fixtures::gradient(96, 48, 3));
    fixtures::writeGif(dir.file("palette.gif"), 4, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00},
                       {{0, 0, 4, 2, {0, 1, 2, 3, 3, 2, 1, 0}}});
    fixtures::JpegExtras profiled;
    profiled.profile = fixtures::iccProfile("RGB ");
    fixtures::writeJpegWith(dir.file("profiled.jpg"), fixtures::gradient(16, 16, 3), profiled);
    const std::string pdf = dir.file("out.pdf");
    RecordingContext rec;
    const ComposeResult result = mergeToPdf({dir.file("fax.tif"), dir.file("strips.tif"), dir.file("photo.jpg"),
                                             dir.file("alpha.png"), dir.file("plain.png"), dir.file("palette.gif"),
                                             dir.file("profiled.jpg")},
                                            pdf, rec);
    ASSERT_TRUE(result.written);
    EXPECT_EQ(rec.messages().back(), "提示|PDF文件合成完毕!");

    const fixtures::ToolRun check = run("qpdf --check '" + pdf + "'");
    EXPECT_EQ(check.exit, 0) << check.output;
    EXPECT_EQ(check.output.find("WARNING"), std::string::npos) << check.output;
    EXPECT_NE(run("pdfinfo '" + pdf + "'").output.find("Producer:        Orvelle"), std::string::npos);

    // G4 as stored, G4 made from strips, the JPEG as it is, RGB with its alpha, plain RGB,
    // a palette, a JPEG with its colour profile.
    EXPECT_EQ(imageCodings(pdf),
              (std::vector<std::string>{"ccitt", "ccitt", "jpeg", "image", "smask:image", "image", "image", "jpeg"}));
    EXPECT_EQ(imageCodings(pdf, 5),
              (std::vector<std::string>{"gray", "gray", "rgb", "rgb", "smask:gray", "rgb", "index", "icc"}));
    const std::map<int, std::string> sizes = pageFacts(pdf, 5, "size"), turns = pageFacts(pdf, 5, "rot");
    EXPECT_EQ(sizes.at(1), "70.5882 x 73.4693 pts") << "200 x 100 pixels at 204 x 98 dpi";
    EXPECT_EQ(sizes.at(3), "23.04 x 15.36 pts") << "48 x 32 pixels at 150 dpi, stored sideways";
    EXPECT_EQ(sizes.at(5), "72 x 36 pts") << "96 x 48 pixels without resolution: 96 dpi";
    EXPECT_EQ(turns.at(3), "90");
    EXPECT_EQ(turns.at(1), "0");

    // The stored data, byte for byte.
    ASSERT_EQ(run("cd '" + dir.path().string() + "' && pdfimages -ccitt -f 1 -l 1 out.pdf fax && pdfimages -j -f 3 -l 3 out.pdf photo").exit, 0);
    EXPECT_EQ(fileText(dir.file("fax-000.ccitt")), rawStrip(dir.file("fax.tif")));
    EXPECT_EQ(fileText(dir.file("photo-000.jpg")), fileText(dir.file("photo.jpg")));

    // Bilevel pages, the G4 one as stored and the one coded from LZW strips, decoded by
    // poppler are the source's pixels; the fax page rendered at its resolution is too.
    for (const auto& [page, source] : {std::pair{1, "fax.tif"}, std::pair{2, "strips.tif"}}) {
        const std::string stem = dir.file("page" + std::to_string(page));
        ASSERT_EQ(run("pdfimages -f " + std::to_string(page) + " -l " + std::to_string(page) + " '" + pdf + "' '" + stem + "'").exit, 0);
        uint32_t width = 0, height = 0;
        EXPECT_TRUE(pbmBits(stem + "-000.pbm", width, height) == blackBits(dir.file(source))) << source;
    }
    ASSERT_EQ(run("pdftoppm -mono -rx 204 -ry 98 -f 1 -l 1 -singlefile '" + pdf + "' '" + dir.file("rendered") + "'").exit, 0);
    uint32_t width = 0, height = 0;
    EXPECT_TRUE(pbmBits(dir.file("rendered.pbm"), width, height) == blackBits(dir.file("fax.tif")))
        << "rendered " << width << " x " << height;
}

// Page sizes every reader takes: a whole resolution stored per metre is that resolution, and
// a page past 14,400 units a side counts in larger units, its pixels at their resolution.
TEST(PdfOutput, PageSizesReadersTake) {
    REQUIRE_PDF_TOOLS();
    TempDir dir;
    fixtures::writePng(dir.file("100dpi.png"), fixtures::gradient(300, 200, 3), 100);  // stored as 3937 a metre
    writeFaxTiff(dir.file("wide.tif"), 30000, 8, 96, 96, true);
    RecordingContext rec;
    ASSERT_TRUE(mergeToPdf({dir.file("100dpi.png"), dir.file("wide.tif")}, dir.file("out.pdf"), rec).written);
    const std::map<int, std::string> sizes = pageFacts(dir.file("out.pdf"), 2, "size");
    EXPECT_EQ(sizes.at(1), "216 x 144 pts");
    EXPECT_EQ(sizes.at(2), "11250 x 3 pts") << "in units of two points";
    EXPECT_EQ(run("qpdf --check '" + dir.file("out.pdf") + "'").exit, 0);
    std::unique_ptr<TGPImage> back = fixtures::load(dir.file("out.pdf"));
    GUID dimension = FrameDimensionPage;
    ASSERT_EQ(back->ActivateFrame(&dimension, 1), Ok);
    EXPECT_EQ(back->PixelWidth(), 30000u);
    EXPECT_NEAR(back->horizontalResolution(), 96, 0.001);
}

// The same merge gives the same bytes: the date from SOURCE_DATE_EPOCH, the document's ID
// from its content.
TEST(PdfOutput, TheSameMergeGivesTheSameBytes) {
    REQUIRE_PDF_TOOLS();
    TempDir dir;
    fixtures::writePng(dir.file("a.png"), fixtures::gradient(40, 30, 3));
    ::setenv("SOURCE_DATE_EPOCH", "1000000000", 1);
    RecordingContext rec;
    ASSERT_TRUE(mergeToPdf({dir.file("a.png")}, dir.file("one.pdf"), rec).written);
    ASSERT_TRUE(mergeToPdf({dir.file("a.png")}, dir.file("two.pdf"), rec).written);
    ::unsetenv("SOURCE_DATE_EPOCH");
    EXPECT_EQ(fileText(dir.file("one.pdf")), fileText(dir.file("two.pdf")));
    const std::string info = run("pdfinfo -isodates '" + dir.file("one.pdf") + "'").output;
    EXPECT_NE(info.find("2001-09-09T01:46:40"), std::string::npos) << info;
}

// Pages of 16-bit samples keep every bit where nothing may be lost: into a PDF as 16-bit
// pictures and soft masks, into a TIFF as 16-bit pages; read back by qpdf's decoding of the
// streams and by libtiff.
TEST(PdfOutput, SixteenBitPagesKeepEveryBit) {
    REQUIRE_PDF_TOOLS();
    TempDir dir;
    const uint32_t width = 37, height = 23;
    const struct {
        const char* name;
        int channels;
        bool minIsWhite;
    } sources[] = {{"grey.png", 1, false}, {"grey-alpha.png", 2, false}, {"rgb.png", 3, false}, {"rgba.png", 4, false},
                   {"rgb.tif", 3, false},  {"white-is-0.tif", 1, true},  {"rgba.tif", 4, false}};
    std::vector<std::string> paths;
    for (const auto& source : sources) {
        paths.push_back(dir.file(source.name));
        if (std::string(source.name).ends_with(".png"))
            fixtures::writeDeepPng(paths.back(), width, height, source.channels);
        else
            fixtures::writeDeepTiff(paths.back(), width, height, source.channels, source.minIsWhite);
    }
    // Samples [first, first + count) of every pixel, as a PDF stores them.
    const auto expected = [&](int first, int count) {
        std::string bytes;
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x)
                for (int c = first; c < first + count; ++c) {
                    const uint16_t v = fixtures::deepSample(x, y, static_cast<uint32_t>(c));
                    bytes += static_cast<char>(v >> 8);
                    bytes += static_cast<char>(v & 0xFF);
                }
        return bytes;
    };
    for (const char* output : {"deep.pdf", "deep.tif"}) {
        RecordingContext rec;
        JobContext context = rec.context();
        ComposeRequest request{paths, dir.file(output), true};
        request.lossless = true;
        request.pdf = isPdfPath(output);
        ASSERT_EQ(ComposeTiff(request, context).pages, std::size(sources)) << output;
    }

    const std::string pdf = dir.file("deep.pdf");
    const auto objects = imageCodings(pdf, 10), depths = imageCodings(pdf, 7);
    size_t image = 0;
    for (const auto& source : sources) {
        SCOPED_TRACE(source.name);
        const int colours = source.channels >= 3 ? 3 : 1;
        const bool alpha = source.channels % 2 == 0;
        for (int part = 0; part < (alpha ? 2 : 1); ++part, ++image) {
            ASSERT_LT(image, objects.size());
            EXPECT_EQ(depths[image], part == 0 ? "16" : "smask:16");
            // poppler lists a soft mask under its picture's number: the picture names it.
            std::string object = objects[image].substr(part == 0 ? 0 : 6);
            if (part == 1) {
                const std::string picture = run("qpdf --show-object=" + object + " '" + pdf + "'").output;
                const size_t at = picture.find("/SMask ");
                ASSERT_NE(at, std::string::npos) << picture;
                object = picture.substr(at + 7, picture.find(' ', at + 7) - at - 7);
            }
            const std::string data = run("qpdf --show-object=" + object + " --filtered-stream-data '" + pdf + "'").output;
            EXPECT_TRUE(data == (part == 0 ? expected(0, colours) : expected(colours, 1)))
                << "object " << object << ": " << data.size() << " bytes";
        }
    }
    EXPECT_EQ(image, objects.size());

    TIFF* tif = TIFFOpen(dir.file("deep.tif").c_str(), "r");
    ASSERT_NE(tif, nullptr);
    for (const auto& source : sources) {
        SCOPED_TRACE(source.name);
        uint16_t bits = 0, samples = 0, photometric = 0;
        TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bits);
        TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
        TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
        ASSERT_EQ(bits, 16);
        ASSERT_EQ(samples, source.channels);
        std::vector<uint16_t> row(static_cast<size_t>(TIFFScanlineSize(tif)) / 2);
        size_t wrong = 0;
        for (uint32_t y = 0; y < height; ++y) {
            ASSERT_EQ(TIFFReadScanline(tif, row.data(), y, 0), 1);
            for (uint32_t x = 0; x < width; ++x)
                for (int c = 0; c < source.channels; ++c) {
                    uint16_t v = row[x * source.channels + c];
                    if (photometric == PHOTOMETRIC_MINISWHITE) v = static_cast<uint16_t>(65535 - v);
                    wrong += v != fixtures::deepSample(x, y, static_cast<uint32_t>(c));
                }
        }
        EXPECT_EQ(wrong, 0u);
        TIFFReadDirectory(tif);
    }
    TIFFClose(tif);
}

// A page's resolution is read by one rule whether the page is copied as stored or decoded:
// a resolution past any real one is none, and the page takes the default size either way.
TEST(PdfOutput, CopiedAndDecodedPagesTakeTheSameSize) {
    REQUIRE_PDF_TOOLS();
    TempDir dir;
    for (const float dpi : {200.0f, 5e6f}) {
        SCOPED_TRACE(dpi);
        fixtures::writeTiff(dir.file("fax.tif"), {{fixtures::TiffKind::Bilevel, 160, 80, COMPRESSION_CCITTFAX4, true, false, dpi}});
        std::map<int, std::string> sizes[2];
        for (const bool lossless : {false, true}) {
            RecordingContext rec;
            JobContext context = rec.context();
            ComposeRequest request{{dir.file("fax.tif")}, dir.file("out.pdf"), true};
            request.pdf = true;
            request.lossless = lossless;
            ASSERT_TRUE(ComposeTiff(request, context).written);
            sizes[lossless] = pageFacts(dir.file("out.pdf"), 1, "size");
        }
        EXPECT_EQ(sizes[0], sizes[1]);
        EXPECT_NE(sizes[1][1].find(dpi < 1000 ? "57.6 x 28.8" : "120 x 60"), std::string::npos) << sizes[1][1];
    }
}

TEST(PdfOutput, SplitWritesOnePdfPerPage) {
    REQUIRE_PDF_TOOLS();
    TempDir dir;
    writeFaxTiff(dir.file("fax.tif"), 120, 60, 300, 300, true);
    RecordingContext rec;
    const ExportAllResult result = fixtures::exportAll(dir.file("fax.tif"), dir.path().string(), ExportFormat::Pdf, rec);
    ASSERT_EQ(result.written.size(), 1u);
    EXPECT_EQ(result.written[0], dir.file("fax_1.PDF"));
    EXPECT_EQ(imageCodings(result.written[0]), std::vector<std::string>{"ccitt"});
    EXPECT_EQ(run("qpdf --check '" + result.written[0] + "'").exit, 0);
    // At another percentage the page is scaled, and stays bilevel.
    std::filesystem::create_directory(dir.file("half"));
    const ExportAllResult half =
        fixtures::exportAll(dir.file("fax.tif"), dir.file("half"), ExportFormat::Pdf, rec, [] { return 50; });
    ASSERT_EQ(half.written.size(), 1u);
    EXPECT_EQ(imageCodings(half.written[0]), std::vector<std::string>{"ccitt"});
    EXPECT_EQ(pageFacts(half.written[0], 1, "size").at(1), "28.8 x 14.4 pts") << "60 x 30 pixels at 150 dpi";
}

TEST(PdfInput, ScannedPdfsFromAnotherWriterComeBackAsStored) {
    REQUIRE_PDF_TOOLS();
    if (run("img2pdf --version").exit != 0) {
        if (fixtures::corpusRequired()) FAIL() << "img2pdf is not installed";
        GTEST_SKIP() << "img2pdf is not installed (make deps installs it)";
    }
    TempDir dir;
    writeFaxTiff(dir.file("fax.tif"), 160, 80, 200, 200, true);
    fixtures::writeJpeg(dir.file("photo.jpg"), fixtures::gradient(64, 48, 3), 90, 72);
    ASSERT_EQ(run("img2pdf -o '" + dir.file("scan.pdf") + "' '" + dir.file("photo.jpg") + "' '" + dir.file("fax.tif") + "'").exit, 0);

    RecordingContext rec;
    JobContext context = rec.context();
    ExportAllRequest request{dir.file("scan.pdf"), dir.file("back"), ExportFormat::Tiff, nullptr};
    request.lossless = true;
    std::filesystem::create_directory(dir.file("back"));
    const ExportAllResult result = ExportAllPages(request, context);
    ASSERT_EQ(result.written.size(), 2u);
    EXPECT_TRUE(result.outcomes[0].copied) << result.outcomes[0].decodedBecause;
    EXPECT_TRUE(result.outcomes[1].copied) << result.outcomes[1].decodedBecause;
    EXPECT_EQ(rawStrip(dir.file("back/scan_2.TIF")), rawStrip(dir.file("fax.tif"))) << "the G4 data as it was";
    const auto strip = fixtures::rawPieces(dir.file("back/scan_1.TIF"), 0);
    ASSERT_EQ(strip.size(), 1u);
    EXPECT_EQ(fixtures::jpegScanData(strip[0]), fixtures::jpegScanData(fixtures::readBytes(dir.file("photo.jpg"))));

    // Encrypted: read when it opens without a password, refused with the reason otherwise.
    const std::string scan = dir.file("scan.pdf"), open = dir.file("open.pdf"), locked = dir.file("locked.pdf");
    ASSERT_EQ(run("qpdf --encrypt '' owner 256 -- '" + scan + "' '" + open + "' && qpdf --encrypt user owner 256 -- '" +
                  scan + "' '" + locked + "'").exit, 0);
    EXPECT_NE(fixtures::load(open)->NativeHandle, nullptr);
    const ExportAllResult refused = fixtures::exportAll(locked, dir.file("back"), ExportFormat::Png, rec);
    EXPECT_NE(refused.sourceFailure.find("it is protected by a password"), std::string::npos) << refused.sourceFailure;

    // Decoded, the PDF's pages are the source pictures.
    std::unique_ptr<TGPImage> pdf = fixtures::load(dir.file("scan.pdf"));
    GUID dimension = FrameDimensionPage;
    ASSERT_EQ(pdf->CountFrames(&dimension), 2u);
    ASSERT_EQ(pdf->ActivateFrame(&dimension, 1), Ok);
    EXPECT_EQ(pdf->PixelWidth(), 160u);
    EXPECT_NEAR(pdf->horizontalResolution(), 200, 0.5);
    const std::vector<uint8_t> bits = blackBits(dir.file("fax.tif"));
    for (uint32_t y = 0; y < 80; y += 7)
        for (uint32_t x = 0; x < 160; x += 3)
            ASSERT_EQ(fixtures::pixel(*pdf, x, y) == 0xFF000000u, bits[y * 160 + x] == 1) << x << "," << y;
}

std::string streamObject(const std::string& dict, const std::string& data) {
    return "<< " + dict + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data + "\nendstream";
}

// One page drawing image object 5 (`image`), with `extra` objects from 6 on and `page` keys
// added to the page's dictionary.
std::string scannedPagePdf(const std::string& image, const std::vector<std::string>& extra = {},
                           const std::string& page = "", const std::string& content = "q 72 0 0 72 0 0 cm /Im0 Do Q") {
    std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 72 72] /Contents 4 0 R /Resources << /XObject << /Im0 5 0 R >> >> " +
            page + " >>",
        streamObject("", content), image};
    objects.insert(objects.end(), extra.begin(), extra.end());
    return fixtures::handMadePdf(objects);
}

std::string deflated(const std::string& bytes) {
    uLongf size = compressBound(static_cast<uLong>(bytes.size()));
    std::string out(size, '\0');
    compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uLong>(bytes.size()));
    out.resize(size);
    return out;
}

// The first page of the PDF at `path` decodes to `pixels`, row by row.
void expectPixels(const std::string& path, uint32_t width, uint32_t height, const std::vector<ARGB>& pixels) {
    std::unique_ptr<TGPImage> pdf = fixtures::load(path);
    ASSERT_NE(pdf->NativeHandle, nullptr);
    ASSERT_EQ(pdf->PixelWidth(), width);
    ASSERT_EQ(pdf->PixelHeight(), height);
    for (uint32_t i = 0; i < pixels.size(); ++i)
        EXPECT_EQ(fixtures::pixel(*pdf, i % width, i / width), pixels[i]) << "pixel " << i;
}

TEST(PdfInput, PicturesDecodeInEveryColourSpaceTheyAreStoredIn) {
    const std::string image = "/Type /XObject /Subtype /Image ";
    struct Row {
        const char* name;
        std::string pdf;
        uint32_t width, height;
        std::vector<ARGB> pixels;  // row by row
    };
    // Grey rows 10 20 30 / 40 50 60, the second row filtered "up" as PNG does.
    const std::string upRows = std::string("\0\x0a\x14\x1e\x02\x1e\x1e\x1e", 8);
    const std::vector<Row> rows = {
        {"grey, deflated with the PNG predictor",
         scannedPagePdf(streamObject(image + "/Width 3 /Height 2 /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter "
                                             "/FlateDecode /DecodeParms << /Predictor 15 /Columns 3 >>",
                                     deflated(upRows))),
         3, 2, {0xFF0A0A0A, 0xFF141414, 0xFF1E1E1E, 0xFF282828, 0xFF323232, 0xFF3C3C3C}},
        {"a palette of 2-bit indices",
         scannedPagePdf(streamObject(image + "/Width 4 /Height 1 /BitsPerComponent 2 /ColorSpace [/Indexed /DeviceRGB 3 "
                                             "<FF000000FF000000FFFFFFFF>]",
                                     std::string("\x1b", 1))),
         4, 1, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF}},
        {"CMYK", scannedPagePdf(streamObject(image + "/Width 2 /Height 1 /ColorSpace /DeviceCMYK /BitsPerComponent 8",
                                             std::string("\0\0\0\0\0\0\0\xff", 8))),
         2, 1, {0xFFFFFFFF, 0xFF000000}},
        {"bilevel, drawn inverted",
         scannedPagePdf(streamObject(image + "/Width 8 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 1 /Decode [1 0]",
                                     std::string("\xf0", 1))),
         8, 1, {0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}},
        {"16-bit RGB", scannedPagePdf(streamObject(image + "/Width 1 /Height 1 /ColorSpace /DeviceRGB /BitsPerComponent 16",
                                                   std::string("\x12\x34\x56\x78\x9a\xbc", 6))),
         1, 1, {0xFF12569A}},
        {"turned by the page",
         scannedPagePdf(streamObject(image + "/Width 3 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8", "\x01\x02\x03"),
                        {}, "/Rotate 90"),
         1, 3, {0xFF010101, 0xFF020202, 0xFF030303}},
        {"with a soft mask",
         scannedPagePdf(streamObject(image + "/Width 2 /Height 1 /ColorSpace /DeviceRGB /BitsPerComponent 8 /SMask 6 0 R",
                                     std::string("\xff\0\0\0\0\xff", 6)),
                        {streamObject(image + "/Width 2 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8",
                                      std::string("\x80\xff", 2))}),
         2, 1, {0x80FF0000, 0xFF0000FF}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        fixtures::writeBytes(dir.file("page.pdf"), std::vector<uint8_t>(row.pdf.begin(), row.pdf.end()));
        expectPixels(dir.file("page.pdf"), row.width, row.height, row.pixels);
    }
}

// poppler's rendering of page 1 at `dpiX` x `dpiY`, as ARGB, top row first; empty when it
// could not render.
std::vector<ARGB> popplerPixels(const std::string& pdf, double dpiX, double dpiY, uint32_t& width, uint32_t& height) {
    const std::string stem = pdf + "-poppler";
    if (run("pdftoppm -f 1 -l 1 -singlefile -rx " + std::to_string(dpiX) + " -ry " + std::to_string(dpiY) + " '" + pdf +
            "' '" + stem + "'")
            .exit != 0)
        return {};
    std::ifstream in(stem + ".ppm", std::ios::binary);
    std::string magic;
    int top = 0;
    in >> magic >> width >> height >> top;
    in.get();
    std::vector<ARGB> pixels;
    for (uint32_t i = 0; i < width * height && in; ++i) {
        unsigned char rgb[3] = {};
        in.read(reinterpret_cast<char*>(rgb), 3);
        pixels.push_back(0xFF000000u | (ARGB{rgb[0]} << 16) | (ARGB{rgb[1]} << 8) | rgb[2]);
    }
    return pixels;
}

// Pictures drawn turned or mirrored by the content's matrix, decode arrays on every kind of
// picture, Group 3 data without ends of line: read as poppler draws them.
TEST(PdfInput, PicturesAreReadAsTheyAreDrawn) {
    const std::string image = "/Type /XObject /Subtype /Image ";
    const std::string grey3x2 = streamObject(image + "/Width 3 /Height 2 /ColorSpace /DeviceGray /BitsPerComponent 8",
                                             std::string("\x10\x20\x30\x40\x50\x60", 6));
    const std::string grey3x1 = streamObject(image + "/Width 3 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8",
                                             std::string("\x10\x20\x30", 3));
    TempDir dir;
    // A flat grey JPEG: its decoded samples are exactly its level.
    fixtures::Picture flat{8, 8, 1, std::vector<uint8_t>(64, 0x40)};
    fixtures::writeJpeg(dir.file("flat.jpg"), flat, 95);
    const std::vector<uint8_t> jpeg = fixtures::readBytes(dir.file("flat.jpg"));
    // Modified Huffman rows of 8 pixels, each from a byte, no ends of line: white 8; white 4
    // black 4; white 0 black 8.
    const std::string mhRows("\x98\xb6\x35\x14", 4);
    const ARGB w = 0xFFFFFFFF, k = 0xFF000000, r = 0xFFFF0000, g = 0xFF00FF00, b = 0xFF0000FF;
    struct Row {
        const char* name;
        std::string pdf;
        uint32_t width, height;
        std::vector<ARGB> pixels;  // row by row
    };
    const std::vector<Row> rows = {
        {"turned half round by its matrix (tiff2pdf's Orientation 3)",
         scannedPagePdf(grey3x2, {}, "", "q -72 0 0 -72 72 72 cm /Im0 Do Q"), 3, 2,
         {0xFF606060, 0xFF505050, 0xFF404040, 0xFF303030, 0xFF202020, 0xFF101010}},
        {"turned a quarter by its matrix", scannedPagePdf(grey3x1, {}, "", "q 0 72 -72 0 72 0 cm /Im0 Do Q"), 1, 3,
         {0xFF303030, 0xFF202020, 0xFF101010}},
        {"mirrored by its matrix, in two steps", scannedPagePdf(grey3x1, {}, "", "q 1 0 0 1 72 0 cm q -72 0 0 72 0 0 cm /Im0 Do Q Q"), 3, 1,
         {0xFF303030, 0xFF202020, 0xFF101010}},
        {"turned by its matrix and by the page",
         scannedPagePdf(grey3x1, {}, "/Rotate 90", "q -72 0 0 -72 72 72 cm /Im0 Do Q"), 1, 3,
         {0xFF303030, 0xFF202020, 0xFF101010}},
        {"a 1-bit palette drawn inverted",
         scannedPagePdf(streamObject(image + "/Width 8 /Height 1 /BitsPerComponent 1 /ColorSpace [/Indexed /DeviceRGB 1 "
                                             "<FF00000000FF>] /Decode [1 0]",
                                     std::string("\xf0", 1))),
         8, 1, {r, r, r, r, b, b, b, b}},
        {"an 8-bit palette drawn inverted",
         scannedPagePdf(streamObject(image + "/Width 3 /Height 1 /BitsPerComponent 8 /ColorSpace [/Indexed /DeviceRGB 2 "
                                             "<FF000000FF000000FF>] /Decode [255 0]",
                                     std::string("\xff\xfe\xfd", 3))),
         3, 1, {r, g, b}},
        {"samples past the palette's end",
         scannedPagePdf(streamObject(image + "/Width 3 /Height 1 /BitsPerComponent 8 /ColorSpace [/Indexed /DeviceRGB 1 "
                                             "<FF000000FF00>]",
                                     std::string("\x00\x01\x05", 3))),
         3, 1, {r, g, g}},
        {"a grey JPEG drawn inverted",
         scannedPagePdf(streamObject(image + "/Width 8 /Height 8 /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter "
                                             "/DCTDecode /Decode [1 0]",
                                     std::string(jpeg.begin(), jpeg.end()))),
         8, 8, std::vector<ARGB>(64, 0xFFBFBFBF)},
        {"Group 3 rows without ends of line",
         scannedPagePdf(streamObject(image + "/Width 8 /Height 3 /ColorSpace /DeviceGray /BitsPerComponent 1 /Filter "
                                             "/CCITTFaxDecode /DecodeParms << /K 0 /Columns 8 /Rows 3 /EncodedByteAlign true >>",
                                     mhRows)),
         8, 3, {w, w, w, w, w, w, w, w, w, w, w, w, k, k, k, k, k, k, k, k, k, k, k, k}},
        {"drawn by content in two streams, with comments and names against operators",
         fixtures::handMadePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 72 72] /Contents [4 0 R 6 0 R] "
                                "/Resources << /XObject << /Im0 5 0 R >> >> >>",
                                streamObject("", "% Do Do (a comment)\nq -72 0 0 -72 72 72"), grey3x2,
                                streamObject("", "cm/Im0 Do\rQ % Q")}),
         3, 2, {0xFF606060, 0xFF505050, 0xFF404040, 0xFF303030, 0xFF202020, 0xFF101010}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fixtures::writeBytes(dir.file("page.pdf"), std::vector<uint8_t>(row.pdf.begin(), row.pdf.end()));
        expectPixels(dir.file("page.pdf"), row.width, row.height, row.pixels);
        if (run("qpdf --version && pdfimages -v").exit != 0) continue;
        // The page is 72 points square: poppler draws each sample as a block of pixels,
        // whose middle is the sample's colour.
        const uint32_t dpi = 8 * std::max(row.width, row.height);
        uint32_t width = 0, height = 0;
        const std::vector<ARGB> drawn = popplerPixels(dir.file("page.pdf"), dpi, dpi, width, height);
        ASSERT_EQ(drawn.size(), size_t{dpi} * dpi);
        for (uint32_t i = 0; i < row.pixels.size(); ++i)
            EXPECT_EQ(drawn[(2 * (i / row.width) + 1) * height / (2 * row.height) * width +
                            (2 * (i % row.width) + 1) * width / (2 * row.width)],
                      row.pixels[i])
                << "pixel " << i << " as poppler draws it";
    }
}

// Pictures whose data holds fewer rows than they say fail with the row their data ends at,
// as a TIFF page with a damaged strip does: a black page written in their place would be
// a page lost without a word.
// A document qpdf had to repair opens, and says so with its first page, as a TIFF page that
// libtiff read past says so.
TEST(PdfInput, RepairsAreSaidWithThePage) {
    REQUIRE_PDF_TOOLS();
    TempDir dir;
    fixtures::writePng(dir.file("a.png"), fixtures::gradient(20, 10, 3));
    RecordingContext rec;
    ASSERT_TRUE(mergeToPdf({dir.file("a.png")}, dir.file("made.pdf"), rec).written);
    ASSERT_EQ(run("qpdf --object-streams=disable '" + dir.file("made.pdf") + "' '" + dir.file("plain.pdf") + "'").exit, 0);
    std::string bytes = fileText(dir.file("plain.pdf"));
    bytes = bytes.substr(0, bytes.rfind("startxref")) + "startxref\n999999\n%%EOF\n";  // the table is not there
    fixtures::writeBytes(dir.file("repaired.pdf"), std::vector<uint8_t>(bytes.begin(), bytes.end()));
    std::ostringstream out, err;
    EXPECT_EQ(orvelle::cli::runInfo({dir.file("repaired.pdf")}, out, err), 0) << err.str();
    EXPECT_NE(out.str().find("20 x 10"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("warning: file is damaged"), std::string::npos) << out.str();
}

TEST(PdfInput, PicturesWithRowsMissingFail) {
    const std::string image = "/Type /XObject /Subtype /Image /Width 64 /Height 128 /ColorSpace /DeviceGray "
                              "/BitsPerComponent 8 /Filter /FlateDecode";
    std::string samples(64 * 128, '\0');
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<char>(i * 2654435761u >> 24);
    const std::string half = samples.substr(0, samples.size() / 2);
    const std::string whole = deflated(samples);
    const std::vector<std::pair<const char*, std::string>> rows = {
        {"a complete stream of 64 rows", streamObject(image, deflated(half))},
        {"a stream cut in half", streamObject(image, whole.substr(0, whole.size() / 2))},
    };
    TempDir dir;
    for (const auto& [name, object] : rows) {
        SCOPED_TRACE(name);
        const std::string pdf = scannedPagePdf(object);
        fixtures::writeBytes(dir.file("short.pdf"), std::vector<uint8_t>(pdf.begin(), pdf.end()));
        RecordingContext rec;
        const ExportAllResult result = fixtures::exportAll(dir.file("short.pdf"), dir.path().string(), ExportFormat::Png, rec);
        EXPECT_TRUE(result.written.empty());
        // A document of one page that fails cannot be opened, with the page's reason.
        EXPECT_NE(result.sourceFailure.find("the picture's data ends after row "), std::string::npos)
            << result.sourceFailure;
        // Into a TIFF the page must be decoded, and fails so; into a PDF it goes whole, its
        // data as it is, drawn by a reader as the source is.
        JobContext context = rec.context();
        ComposeRequest intoTiff{{dir.file("short.pdf")}, dir.file("out.tif"), true};
        intoTiff.lossless = true;
        EXPECT_FALSE(ComposeTiff(intoTiff, context).written);
        EXPECT_FALSE(std::filesystem::exists(dir.file("out.tif")));
        const ComposeResult merged = mergeToPdf({dir.file("short.pdf")}, dir.file("out.pdf"), rec);
        EXPECT_TRUE(merged.written);
        if (run("qpdf --version && pdfimages -v").exit == 0)
            EXPECT_EQ(run("pdfimages -list '" + dir.file("out.pdf") + "' | awk '{print $4, $5, $9, $15}'").output,
                      run("pdfimages -list '" + dir.file("short.pdf") + "' | awk '{print $4, $5, $9, $15}'").output);
    }
}

// A PDF's JPEG picture copied into a TIFF as stored is described as the page draws it: the
// page's turn, the resolution its size gives and its colour space's profile, never what the
// JPEG's own EXIF says (a PDF reader draws the stored rows).
TEST(PdfInput, JpegPagesCopiedIntoATiffAreDescribedAsThePageDrawsThem) {
    TempDir dir;
    fixtures::JpegExtras extras;
    extras.orientation = 6;
    extras.exifDpi = 300;
    fixtures::writeJpegWith(dir.file("exif.jpg"), fixtures::gradient(64, 32, 3), extras);
    const std::vector<uint8_t> jpeg = fixtures::readBytes(dir.file("exif.jpg"));
    const std::string profile = fixtures::iccProfile("RGB ");
    const std::string image = "/Type /XObject /Subtype /Image /Width 64 /Height 32 /BitsPerComponent 8 /Filter /DCTDecode ";
    const std::string data(jpeg.begin(), jpeg.end());
    struct Row {
        const char* name;
        std::string pdf;
        std::string orientation;  // the TIFF tag's value; empty: none
        bool profile;
    };
    // The page is 72 points square: 64 x 32 pixels on it are 64 x 32 dpi.
    const std::vector<Row> rows = {
        {"turned by the page, with a profile",
         scannedPagePdf(streamObject(image + "/ColorSpace [/ICCBased 6 0 R]", data),
                        {streamObject("/N 3 /Alternate /DeviceRGB", profile)}, "/Rotate 90"),
         "6", true},
        {"upright, whatever EXIF says", scannedPagePdf(streamObject(image + "/ColorSpace /DeviceRGB", data)), "", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fixtures::writeBytes(dir.file("page.pdf"), std::vector<uint8_t>(row.pdf.begin(), row.pdf.end()));
        RecordingContext rec;
        JobContext context = rec.context();
        ComposeRequest request{{dir.file("page.pdf")}, dir.file("out.tif"), false};
        request.lossless = true;
        const ComposeResult result = ComposeTiff(request, context);
        ASSERT_TRUE(result.written);
        ASSERT_EQ(result.outcomes[0].losslessPages.size(), 1u);
        EXPECT_TRUE(result.outcomes[0].losslessPages[0].copied);
        std::map<uint32_t, std::string> tags = fixtures::describingTags(dir.file("out.tif"), 0);
        EXPECT_EQ(tags[TIFFTAG_ORIENTATION], row.orientation);
        EXPECT_EQ(tags[TIFFTAG_XRESOLUTION], std::to_string(64.0f));
        EXPECT_EQ(tags[TIFFTAG_YRESOLUTION], std::to_string(32.0f));
        EXPECT_EQ(tags[TIFFTAG_RESOLUTIONUNIT], std::to_string(RESUNIT_INCH));
        EXPECT_EQ(tags[TIFFTAG_ICCPROFILE], row.profile ? profile : std::string());
    }
}

// A page that is more than one picture is drawn, upright, at the resolution of a picture
// that covers half of it or more, else at 300 dpi; a picture under text no one sees is that
// picture, the text said to be left out.
TEST(PdfInput, PagesThatAreNotOneScannedPictureAreDrawn) {
    TempDir dir;
    const std::string image = streamObject("/Type /XObject /Subtype /Image /Width 1 /Height 1 /ColorSpace /DeviceGray "
                                           "/BitsPerComponent 8",
                                           "\x80");
    const std::string font = "/Resources << /Font << /F1 5 0 R >> >>";
    const std::string helvetica = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>";
    struct Row {
        const char* what;
        std::string pdf;
        bool rendered, textLeftOut;
        uint32_t width, height;
        PixelFormat format;
    };
    const std::vector<Row> rows = {
        {"black text", fixtures::handMadePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                              "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 72 36] /Contents 4 0 R " + font + " >>",
                                              streamObject("", "BT /F1 24 Tf 4 8 Td (Hi) Tj ET"), helvetica}),
         true, false, 300, 150, PixelFormat1bppIndexed},
        {"text turned by the page", fixtures::handMadePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                              "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 72 36] /Rotate 90 /Contents 4 0 R " + font + " >>",
                                              streamObject("", "BT /F1 24 Tf 4 8 Td (Hi) Tj ET"), helvetica}),
         true, false, 150, 300, PixelFormat1bppIndexed},
        {"a red line over the picture", scannedPagePdf(image, {}, "", "q 72 0 0 72 0 0 cm /Im0 Do Q 1 0 0 RG 0 0 m 72 72 l S"),
         true, false, 1, 1, PixelFormat24bppRGB},
        {"a picture drawn twice", scannedPagePdf(image, {}, "", "q 72 0 0 72 0 0 cm /Im0 Do Q q 10 0 0 10 0 0 cm /Im0 Do Q"),
         true, false, 1, 1, PixelFormat8bppIndexed},
        {"an inline picture", scannedPagePdf(image, {}, "", "q 72 0 0 72 0 0 cm BI /W 1 /H 1 /CS /G /BPC 8 ID \x80 EI Q"),
         true, false, 300, 300, PixelFormat8bppIndexed},
        {"a picture at a slant", scannedPagePdf(image, {}, "", "q 72 20 0 72 0 0 cm /Im0 Do Q"), true, false, 1, 1,
         PixelFormat8bppIndexed},
        {"invisible text over the picture",
         scannedPagePdf(image, {helvetica}, "/Resources << /XObject << /Im0 5 0 R >> /Font << /F1 6 0 R >> >>",
                        "BT 3 Tr /F1 12 Tf 2 2 Td [(Hel) 20 (lo)] TJ ET q 72 0 0 72 0 0 cm /Im0 Do Q"),
         false, true, 1, 1, PixelFormat8bppIndexed},
        {"text clipped away",
         scannedPagePdf(image, {helvetica}, "/Resources << /XObject << /Im0 5 0 R >> /Font << /F1 6 0 R >> >>",
                        "q 0 0 0 0 re W n BT /F1 12 Tf 2 2 Td (Hello) Tj ET Q q 72 0 0 72 0 0 cm /Im0 Do Q"),
         false, true, 1, 1, PixelFormat8bppIndexed},
        {"a font named but not used", scannedPagePdf(image, {helvetica}, "/Resources << /XObject << /Im0 5 0 R >> /Font << /F1 6 0 R >> >>",
                                                     "BT /F1 12 Tf 14.4 TL ET q 72 0 0 72 0 0 cm /Im0 Do Q"),
         false, false, 1, 1, PixelFormat8bppIndexed},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fixtures::writeBytes(dir.file("page.pdf"), std::vector<uint8_t>(row.pdf.begin(), row.pdf.end()));
        std::unique_ptr<TGPImage> page = fixtures::load(dir.file("page.pdf"));
        ASSERT_NE(page->NativeHandle, nullptr);
        const ImageFacts facts = page->facts();
        EXPECT_EQ(facts.rendered, row.rendered);
        EXPECT_EQ(facts.textLeftOut, row.textLeftOut);
        EXPECT_EQ(page->PixelWidth(), row.width);
        EXPECT_EQ(page->PixelHeight(), row.height);
        EXPECT_EQ(page->framePixelFormat(), row.format);
        // The split says what it did, page by page.
        RecordingContext rec;
        const ExportAllResult result = fixtures::exportAll(dir.file("page.pdf"), dir.path().string(), ExportFormat::Png, rec);
        ASSERT_EQ(result.outcomes.size(), 1u);
        EXPECT_FALSE(result.outcomes[0].file.empty()) << result.outcomes[0].reason;
        EXPECT_EQ(result.outcomes[0].rendered, row.rendered);
        EXPECT_EQ(result.outcomes[0].textLeftOut, row.textLeftOut);
    }
}

// JBIG2 data, as archives' scans hold it, embedded with no file header: page information and
// an immediate generic region coded as G4 (MMR).
std::string jbig2OfFax(uint32_t width, uint32_t height, const std::string& g4) {
    std::string out;
    const auto be32 = [&](uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) out.push_back(char(v >> shift));
    };
    const auto segment = [&](uint32_t number, uint8_t type, const std::string& data) {
        be32(number);
        out.push_back(char(type));
        out.push_back(0);  // refers to no segment
        out.push_back(1);  // of page 1
        be32(uint32_t(data.size()));
        out += data;
    };
    std::string page, region;
    std::swap(out, page);
    be32(width), be32(height), be32(0), be32(0);
    out += std::string("\0\0\0", 3);  // flags; no striping
    std::swap(out, page);
    std::swap(out, region);
    be32(width), be32(height), be32(0), be32(0);
    out.push_back(0);  // combination: or
    out.push_back(1);  // MMR
    out += g4;
    std::swap(out, region);
    segment(0, 48, page);
    segment(1, 38, region);
    return out;
}

// A JBIG2 page is drawn at its picture's own resolution: the picture poppler takes out of it,
// pixel for pixel, or, when the renderer draws it blank (as Qt's PDF module of Debian 12
// draws this one, which poppler decodes), a failure that says so, never a blank page.
TEST(PdfInput, Jbig2PagesAreTheirPicturesOrFail) {
    REQUIRE_PDF_TOOLS();
    TempDir dir;
    writeFaxTiff(dir.file("fax.tif"), 100, 100, 200, 200, true);
    const std::string jbig2 = jbig2OfFax(100, 100, rawStrip(dir.file("fax.tif")));
    const std::string pdf = scannedPagePdf(streamObject("/Type /XObject /Subtype /Image /Width 100 /Height 100 /ColorSpace "
                                                        "/DeviceGray /BitsPerComponent 1 /Filter /JBIG2Decode",
                                                        jbig2));
    const std::string path = dir.file("jbig2.pdf");
    fixtures::writeBytes(path, std::vector<uint8_t>(pdf.begin(), pdf.end()));
    ASSERT_EQ(run("pdfimages -png '" + path + "' '" + dir.file("theirs") + "'").exit, 0);
    const fixtures::RgbaImage theirs = fixtures::readPng(dir.file("theirs-000.png"));
    ASSERT_EQ(theirs.width, 100u);
    ASSERT_NE(std::count(theirs.argb.begin(), theirs.argb.end(), 0xFF000000u), 0) << "poppler reads black pixels";
    RecordingContext rec;
    const ExportAllResult result = fixtures::exportAll(path, dir.path().string(), ExportFormat::Png, rec);
    if (result.written.empty()) {
        // A document of one page that cannot be read is a document that cannot be opened.
        const std::string why = result.outcomes.empty() ? result.sourceFailure : result.outcomes[0].reason;
        EXPECT_NE(why.find("its JBIG2 picture cannot be decoded (it is drawn blank)"), std::string::npos) << why;
        return;
    }
    const PageOutcome& page = result.outcomes.at(0);
    EXPECT_TRUE(page.rendered);
    const fixtures::RgbaImage ours = fixtures::readPng(page.file);
    ASSERT_EQ(ours.width, 100u);
    ASSERT_EQ(ours.height, 100u);
    EXPECT_EQ(ours.argb, theirs.argb);
}

TEST(PdfInput, OurOwnPdfsReadBackAsTheirSources) {
    TempDir dir;
    fixtures::writePng(dir.file("alpha.png"), fixtures::gradient(20, 10, 4));
    fixtures::writePng(dir.file("grey.png"), fixtures::gradient(12, 9, 1));
    fixtures::writePng(dir.file("plain.png"), fixtures::gradient(33, 7, 3));
    fixtures::writeGif(dir.file("palette.gif"), 4, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00},
                       {{0, 0, 4, 2, {0, 1, 2, 3, 3, 2, 1, 0}}});
    writeFaxTiff(dir.file("fax.tif"), 70, 30, 204, 98, false);
    const std::vector<std::string> sources = {dir.file("alpha.png"), dir.file("grey.png"), dir.file("plain.png"),
                                              dir.file("palette.gif"), dir.file("fax.tif")};
    RecordingContext rec;
    ASSERT_TRUE(mergeToPdf(sources, dir.file("out.pdf"), rec).written);
    std::unique_ptr<TGPImage> pdf = fixtures::load(dir.file("out.pdf"));
    GUID dimension = FrameDimensionPage;
    ASSERT_EQ(pdf->CountFrames(&dimension), sources.size());
    for (uint32_t page = 0; page < sources.size(); ++page) {
        ASSERT_EQ(pdf->ActivateFrame(&dimension, page), Ok) << sources[page];
        std::unique_ptr<TGPImage> source = fixtures::load(sources[page]);
        ASSERT_EQ(pdf->PixelWidth(), source->PixelWidth());
        ASSERT_EQ(pdf->PixelHeight(), source->PixelHeight());
        for (uint32_t y = 0; y < source->PixelHeight(); ++y)
            for (uint32_t x = 0; x < source->PixelWidth(); ++x)
                ASSERT_EQ(fixtures::pixel(*pdf, x, y), fixtures::pixel(*source, x, y)) << sources[page] << " " << x << "," << y;
    }
    EXPECT_NEAR(pdf->verticalResolution(), 98, 0.01) << "the fax page's resolution from its size";
}

// A JPEG larger than the part read to take it apart goes into a PDF from its file and into a
// lossless TIFF read whole, both byte for byte.
TEST(PdfOutput, LargeJpegFilesGoInAsTheyAre) {
    REQUIRE_PDF_TOOLS();
    TempDir dir;
    Picture noisy = fixtures::gradient(900, 700, 3);
    for (size_t i = 0; i < noisy.samples.size(); ++i) noisy.samples[i] = static_cast<uint8_t>(noisy.samples[i] ^ (i * 2654435761u >> 13));
    fixtures::writeJpeg(dir.file("large.jpg"), noisy, 98);
    ASSERT_GT(std::filesystem::file_size(dir.file("large.jpg")), 512u * 1024) << "larger than the part read first";
    RecordingContext rec;
    ASSERT_TRUE(mergeToPdf({dir.file("large.jpg")}, dir.file("out.pdf"), rec).written);
    ASSERT_EQ(run("cd '" + dir.path().string() + "' && pdfimages -j out.pdf got").exit, 0);
    EXPECT_EQ(fileText(dir.file("got-000.jpg")), fileText(dir.file("large.jpg")));

    JobContext context = rec.context();
    ComposeRequest request{{dir.file("large.jpg")}, dir.file("out.tif"), false};
    request.lossless = true;
    ASSERT_TRUE(ComposeTiff(request, context).written);
    const auto strip = fixtures::rawPieces(dir.file("out.tif"), 0);
    ASSERT_EQ(strip.size(), 1u);
    EXPECT_EQ(fixtures::jpegScanData(strip[0]), fixtures::jpegScanData(fixtures::readBytes(dir.file("large.jpg"))));

    // 320 kB of comments before the frame, as camera profiles and XMP may take.
    std::vector<uint8_t> commented = fixtures::readBytes(dir.file("large.jpg"));
    for (int k = 0; k < 5; ++k) {
        std::vector<uint8_t> comment = {0xFF, 0xFE, 0xFF, 0xFF};
        comment.resize(2 + 0xFFFF, static_cast<uint8_t>('a' + k));
        commented.insert(commented.begin() + 2, comment.begin(), comment.end());
    }
    fixtures::writeBytes(dir.file("commented.jpg"), commented);
    request = ComposeRequest{{dir.file("commented.jpg")}, dir.file("commented.tif"), false};
    request.lossless = true;
    const ComposeResult copied = ComposeTiff(request, context);
    ASSERT_TRUE(copied.written);
    ASSERT_EQ(copied.outcomes[0].losslessPages.size(), 1u);
    EXPECT_TRUE(copied.outcomes[0].losslessPages[0].copied) << copied.outcomes[0].losslessPages[0].decodedBecause;
    ASSERT_TRUE(mergeToPdf({dir.file("commented.jpg")}, dir.file("commented.pdf"), rec).written);
    ASSERT_EQ(run("cd '" + dir.path().string() + "' && pdfimages -j commented.pdf again").exit, 0);
    EXPECT_EQ(fileText(dir.file("again-000.jpg")), fileText(dir.file("commented.jpg")));
}

// A PDF's pages go into a PDF as pages, whatever they hold: a page of text keeps its text,
// its turn, its boxes and its note; a scanned page its picture as stored; both beside a
// picture from another file, in the order asked, and split one to a file. What of their
// document cannot go with a page (its outlines) is said.
TEST(PdfOutput, PdfPagesGoIntoPdfsWhole) {
    REQUIRE_PDF_TOOLS();
    TempDir dir;
    const std::string text = fixtures::handMadePdf(
        {"<< /Type /Catalog /Pages 2 0 R /Outlines 6 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
         "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 200] /CropBox [10 10 290 190] /Rotate 90 /Contents 4 0 R "
         "/Resources << /Font << /F1 5 0 R >> >> /Annots [<< /Type /Annot /Subtype /Text /Rect [0 0 20 20] "
         "/Contents (a note) >>] >>",
         streamObject("", "BT /F1 24 Tf 20 100 Td (Hello whole page) Tj ET"),
         "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>", "<< /Type /Outlines /Count 0 >>"});
    fixtures::writeBytes(dir.file("text.pdf"), std::vector<uint8_t>(text.begin(), text.end()));
    writeFaxTiff(dir.file("fax.tif"), 160, 80, 200, 200, true);
    fixtures::writePng(dir.file("plain.png"), fixtures::gradient(33, 7, 3));
    RecordingContext rec;
    ASSERT_TRUE(mergeToPdf({dir.file("fax.tif")}, dir.file("scan.pdf"), rec).written);

    const ComposeResult merged = mergeToPdf({dir.file("text.pdf"), dir.file("plain.png"), dir.file("scan.pdf")},
                                            dir.file("out.pdf"), rec);
    ASSERT_TRUE(merged.written);
    ASSERT_EQ(merged.pages, 3u);
    ASSERT_EQ(merged.outcomes[0].losslessPages.size(), 1u);
    EXPECT_TRUE(merged.outcomes[0].losslessPages[0].copied) << merged.outcomes[0].losslessPages[0].decodedBecause;
    EXPECT_EQ(merged.outcomes[0].losslessPages[0].leftBehind, "its document's outlines are left out");
    EXPECT_TRUE(merged.outcomes[2].losslessPages.at(0).copied);
    EXPECT_TRUE(merged.outcomes[2].losslessPages.at(0).leftBehind.empty());
    const std::string out = dir.file("out.pdf");
    EXPECT_EQ(run("qpdf --check '" + out + "'").exit, 0) << run("qpdf --check '" + out + "'").output;
    EXPECT_NE(run("pdftotext -f 1 -l 1 '" + out + "' -").output.find("Hello whole page"), std::string::npos);
    EXPECT_EQ(pageFacts(out, 3, "rot").at(1), "90");
    EXPECT_EQ(pageFacts(out, 3, "size").at(1), "280 x 180 pts") << "its crop box";
    EXPECT_EQ(imageCodings(out), (std::vector<std::string>{"image", "ccitt"}));
    const std::string structure = run("qpdf --qdf --object-streams=disable '" + out + "' -").output;
    EXPECT_NE(structure.find("/CropBox"), std::string::npos);
    EXPECT_NE(structure.find("(a note)"), std::string::npos) << "the page's annotation";

    // Split to PDF, each page whole in a file of its own.
    std::filesystem::create_directory(dir.file("pages"));
    const ExportAllResult split = fixtures::exportAll(out, dir.file("pages"), ExportFormat::Pdf, rec);
    ASSERT_EQ(split.written.size(), 3u);
    EXPECT_TRUE(split.outcomes[0].copied);
    EXPECT_NE(run("pdftotext '" + split.written[0] + "' -").output.find("Hello whole page"), std::string::npos);
    EXPECT_EQ(pageFacts(split.written[0], 1, "rot").at(1), "90");
    EXPECT_EQ(imageCodings(split.written[2]), std::vector<std::string>{"ccitt"});
}
