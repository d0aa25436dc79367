// PDFs as other programs write them, made here by those programs (tesseract's searchable
// scan, img2pdf's JPEG 2000 page, Ghostscript's text, ReportLab's stamped scan, tiff2pdf's
// JPEG page), read by the command line and held up against poppler's readings of the same
// pages.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <tiffio.h>

#include <algorithm>
#include <fstream>
#include <map>

#include "support/fixtures.h"
#include "support/readback.h"
#include "support/tool_runs.h"

using fixtures::run;
using fixtures::TempDir;
using json = nlohmann::json;

namespace {

#define REQUIRE_WRITERS()                                                                                           \
    REQUIRE_TOOLS("command -v tesseract img2pdf opj_compress gs tiff2pdf pdftoppm pdfimages pdftotext qpdf && "       \
                  "/usr/bin/python3 -c 'import reportlab'",                                                        \
                  "tesseract, img2pdf, OpenJPEG's tools, Ghostscript, libtiff's tools, poppler-utils, qpdf and ReportLab")

std::string quoted(const std::string& path) { return "'" + path + "'"; }

// The sources, made once: name -> path.
class Writers {
public:
    static const Writers& get() {
        static const Writers writers;
        return writers;
    }
    std::string operator[](const std::string& name) const { return m_dir.file(name); }
    const std::string& failure() const { return m_failure; }

private:
    Writers() {
        // A letter in Ghostscript's own fonts, embedded: what poppler draws is what the page holds.
        std::ofstream(m_dir.file("letter.ps")) << "%!PS\n<< /PageSize [612 792] >> setpagedevice\n"
                                                  "/Helvetica findfont 28 scalefont setfont\n"
                                                  "72 700 moveto (Invoice 4711 from Orvelle) show\n"
                                                  "72 650 moveto (Total due: 123.45) show\n"
                                                  "72 600 moveto 540 600 lineto stroke showpage\n";
        std::ofstream(m_dir.file("stamp.py")) << "import sys\nfrom reportlab.pdfgen import canvas\n"
                                                 "c = canvas.Canvas(sys.argv[2], pagesize=(306, 396))\n"
                                                 "c.drawImage(sys.argv[1], 0, 0, 306, 396)\n"
                                                 "c.setFont('Helvetica-Bold', 30); c.setFillColorRGB(0.9, 0, 0)\n"
                                                 "c.drawString(40, 40, 'RECEIVED')\nc.showPage(); c.save()\n";
        fixtures::writePictureTiff(m_dir.file("photo.tif"), fixtures::gradient(96, 64, 3), COMPRESSION_JPEG);
        const std::string at = "cd " + quoted(m_dir.path().string()) + " && ";
        const char* steps[] = {
            "gs -q -dNOPAUSE -dBATCH -sDEVICE=pdfwrite -dPDFSETTINGS=/prepress -sOutputFile=letter.pdf letter.ps",
            // The letter scanned at 100 dpi, and made searchable.
            "pdftoppm -r 100 -gray -singlefile letter.pdf scan",
            "tesseract scan.pgm searchable -l eng pdf",
            "pdftoppm -r 50 -png -singlefile letter.pdf colour",
            "opj_compress -i colour.png -o colour.jp2",
            "img2pdf colour.jp2 -o jpeg2000.pdf",
            "/usr/bin/python3 stamp.py colour.png stamped.pdf",
            "tiff2pdf -o tiff2pdf.pdf photo.tif",
        };
        for (const char* step : steps) {
            const fixtures::ToolRun made = run(at + step);
            if (made.exit != 0) {
                m_failure = std::string(step) + ": " + made.output;
                return;
            }
        }
    }

    TempDir m_dir;
    std::string m_failure;
};

// orvelle-cli's --json report of a run.
json cli(const std::string& arguments) {
    const fixtures::ToolRun ran = run("(" + std::string(ORVELLE_CLI) + " " + arguments + " --json 2>/dev/null)");
    return json::parse(ran.output, nullptr, false);
}

// The share of pixels, over the two pictures' common area, whose colours differ by more than
// `tolerance` in a channel.
double differingShare(const fixtures::RgbaImage& a, const fixtures::RgbaImage& b, int tolerance) {
    const uint32_t width = std::min(a.width, b.width), height = std::min(a.height, b.height);
    size_t differing = 0;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            differing += fixtures::channelDistance(a.argb[size_t{y} * a.width + x], b.argb[size_t{y} * b.width + x]) > tolerance;
    return width && height ? double(differing) / (double(width) * height) : 1.0;
}

// A PBM as pictures of black and white.
fixtures::RgbaImage readPbm(const std::string& path) {
    fixtures::RgbaImage image;
    for (uint8_t black : fixtures::pbmBits(path, image.width, image.height)) image.argb.push_back(black ? 0xFF000000 : 0xFFFFFFFF);
    return image;
}

// Each test's sources, made by their writers once for all of them.
class OtherWriters : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_WRITERS();
        ASSERT_EQ(made.failure(), "");
    }
    // Page 1 of `pdf` split into `target` with `options`: its report, which says it was written.
    json splitFirstPage(const char* pdf, const std::string& target, const std::string& options = "") {
        const json report = cli("split " + quoted(made[pdf]) + " --page 1 --to " + quoted(target) + options);
        EXPECT_TRUE(report.is_object() && report["written"] == 1) << report.dump();
        return report.is_object() ? report["pages"][0] : json::object();
    }
    const Writers& made = Writers::get();
    TempDir dir;
};

}  // namespace

// A page that is one picture (under an OCR layer, in JPEG 2000, in tiff2pdf's JPEG) is that
// picture: pixel for pixel what poppler takes out of the page (JPEG 2000, and a JPEG that
// both read with libjpeg).
// Poppler draws tiff2pdf's page blank (its JPEG has a second start-of-image marker after the
// tables, and each strip ended and started again): that page is held up against the TIFF it
// was made from, as libtiff reads it, within what two ways of upsampling chroma differ by.
TEST_F(OtherWriters, PicturePagesAreTheirPictures) {
    struct Row {
        const char* pdf;
        const char* source;  // the picture the page was made from; null: poppler's picture
        int tolerance;
        bool textLeftOut;
        bool copies;  // into a TIFF as stored: JPEG 2000 data is decoded
    };
    for (const Row& row : {Row{"searchable.pdf", nullptr, 0, true, true}, Row{"jpeg2000.pdf", nullptr, 0, false, false},
                           Row{"tiff2pdf.pdf", "photo.tif", 32, false, true}}) {
        SCOPED_TRACE(row.pdf);
        const json page = splitFirstPage(row.pdf, dir.file("ours.png"));
        EXPECT_FALSE(page.contains("rendered")) << page.dump();
        EXPECT_EQ(page.value("text_left_out", false), row.textLeftOut) << page.dump();
        fixtures::RgbaImage theirs;
        if (row.source) {
            const fixtures::TiffPageInfo source = fixtures::readTiffPages(made[row.source]).at(0);
            theirs.width = source.width, theirs.height = source.height, theirs.argb = source.argb;
        } else {
            ASSERT_EQ(run("pdfimages -png -f 1 -l 1 " + quoted(made[row.pdf]) + " " + quoted(dir.file("theirs"))).exit, 0);
            theirs = fixtures::readPng(dir.file("theirs-000.png"));
        }
        const fixtures::RgbaImage ours = fixtures::readPng(dir.file("ours.png"));
        ASSERT_EQ(ours.width, theirs.width);
        ASSERT_EQ(ours.height, theirs.height);
        EXPECT_EQ(differingShare(ours, theirs, row.tolerance), 0.0);
        // Into a TIFF as stored, saying so, and what stays behind.
        const json copied = splitFirstPage(row.pdf, dir.file("copied.tif"), " --lossless");
        EXPECT_EQ(copied.value("copied", false), row.copies) << copied.dump();
        EXPECT_EQ(copied.value("left_out", ""), row.textLeftOut ? "its invisible text is left out" : "") << copied.dump();
    }
}

// A letter is drawn at 300 dpi as a bilevel page; a stamped scan at its scan's own
// resolution (100 dpi), in colour: both as poppler draws them but for a few per cent of pixels.
TEST_F(OtherWriters, DrawnPagesAreAsPopplerDrawsThem) {
    struct Row {
        const char* pdf;
        std::string poppler;  // pdftoppm's options
        uint16_t bitsPerSample, samplesPerPixel;
        uint32_t width, height;
    };
    for (const Row& row : {Row{"letter.pdf", "-mono -r 300", 1, 1, 2550, 3300}, Row{"stamped.pdf", "-png -r 100", 8, 3, 425, 550}}) {
        SCOPED_TRACE(row.pdf);
        const json page = splitFirstPage(row.pdf, dir.file("ours.tif"), " --keep-class");
        EXPECT_EQ(page.value("rendered", false), true) << page.dump();
        const std::vector<fixtures::TiffPageInfo> pages = fixtures::readTiffPages(dir.file("ours.tif"));
        ASSERT_EQ(pages.size(), 1u);
        EXPECT_EQ(pages[0].bitsPerSample, row.bitsPerSample);
        EXPECT_EQ(pages[0].samplesPerPixel, row.samplesPerPixel);
        EXPECT_EQ(pages[0].width, row.width);
        EXPECT_EQ(pages[0].height, row.height);
        ASSERT_EQ(run("pdftoppm -singlefile " + row.poppler + " " + quoted(made[row.pdf]) + " " + quoted(dir.file("theirs"))).exit, 0);
        const bool mono = row.bitsPerSample == 1;
        const fixtures::RgbaImage theirs = mono ? readPbm(dir.file("theirs.pbm")) : fixtures::readPng(dir.file("theirs.png"));
        fixtures::RgbaImage ours;
        ours.width = pages[0].width, ours.height = pages[0].height, ours.argb = pages[0].argb;
        EXPECT_LT(differingShare(ours, theirs, 64), 0.05);
    }
}

// Everything merged into one PDF: each page keeps its text and its pictures as in its source,
// and qpdf finds nothing wrong with the file.
TEST_F(OtherWriters, MergedIntoAPdfEachPageKeepsItsTextAndPictures) {
    const std::vector<std::string> sources = {"searchable.pdf", "jpeg2000.pdf", "letter.pdf", "stamped.pdf", "tiff2pdf.pdf"};
    std::string operands;
    for (const std::string& source : sources) operands += " " + quoted(made[source]);
    const json report = cli("merge --out " + quoted(dir.file("all.pdf")) + operands);
    ASSERT_TRUE(report.is_object());
    ASSERT_EQ(report["pages"], sources.size()) << report.dump();
    EXPECT_EQ(run("qpdf --check " + quoted(dir.file("all.pdf"))).exit, 0);
    // pdfimages -list's columns but the page, the picture's number, its object and its size
    // (tiff2pdf's JPEG is mended on the way: see PicturePagesAreTheirPictures).
    const auto pictures = [](const std::string& pdf, int page) {
        return run("pdfimages -list -f " + std::to_string(page) + " -l " + std::to_string(page) + " " + quoted(pdf) +
                   " | tail -n +3 | awk '{print $3, $4, $5, $6, $7, $8, $9, $10, $13, $14}'")
            .output;
    };
    const auto text = [](const std::string& pdf, int page) {
        return run("pdftotext -f " + std::to_string(page) + " -l " + std::to_string(page) + " " + quoted(pdf) + " -").output;
    };
    for (size_t i = 0; i < sources.size(); ++i) {
        SCOPED_TRACE(sources[i]);
        const int page = static_cast<int>(i) + 1;
        EXPECT_EQ(text(dir.file("all.pdf"), page), text(made[sources[i]], 1));
        EXPECT_EQ(pictures(dir.file("all.pdf"), page), pictures(made[sources[i]], 1));
    }
    EXPECT_NE(text(dir.file("all.pdf"), 1).find("Invoice"), std::string::npos);
}
