// Searchable PDFs: pages of known text, drawn with real fonts and scanned (bilevel G4 and
// grey), merged with their words recognised; poppler's pdftotext and pdfimages, independent
// readers, say what a viewer would find on the pages and what pictures they hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <tiffio.h>
#include <sstream>
#include <string>
#include <tuple>

#include "imaging/gdipobj.h"
#include "imaging/page_texts.h"
#include "imaging/stored_page_writer.h"
#include "imaging/text_path.h"
#include "support/fixtures.h"
#include "support/tool_runs.h"

namespace {

using json = nlohmann::json;
using fixtures::run;

#define REQUIRE_OCR_TOOLS()                                                                                      \
    REQUIRE_TOOLS("command -v pdftoppm pdftotext pdfimages tiffcp qpdf && /usr/bin/python3 -c 'import reportlab' && " \
                  "ls /usr/share/tesseract-ocr/5/tessdata/eng.traineddata "                                       \
                  "/usr/share/tesseract-ocr/5/tessdata/chi_sim.traineddata",                                      \
                  "poppler-utils, libtiff's tools, qpdf, ReportLab and tesseract's English and Chinese data")

std::string quoted(const std::string& path) { return "'" + path + "'"; }

// The scans, made once: a letter in English with a Chinese line, at 300 dpi bilevel
// (G4) and at 200 dpi grey (PNG), and the same page turned by each quarter to the right.
class Scans {
public:
    static const Scans& get() {
        static const Scans scans;
        return scans;
    }
    std::string operator[](const std::string& name) const { return m_dir.file(name); }
    const std::string& failure() const { return m_failure; }

private:
    Scans() {
        std::ofstream(m_dir.file("page.py"))
            << "import sys\nfrom reportlab.pdfgen import canvas\nfrom reportlab.pdfbase import pdfmetrics\n"
               "from reportlab.pdfbase.cidfonts import UnicodeCIDFont\n"
               "pdfmetrics.registerFont(UnicodeCIDFont('STSong-Light'))\n"
               "c = canvas.Canvas(sys.argv[1], pagesize=(595, 842))\n"
               "c.setFont('Helvetica', 18)\n"
               "c.drawString(72, 760, 'Invoice number 4711 for the quarterly delivery')\n"
               "c.drawString(72, 720, 'Please remit payment within thirty days')\n"
               // Enough text for the orientation of the page to be told with confidence.
               "c.setFont('Times-Roman', 14)\n"
               "for k, line in enumerate(['The goods listed below were delivered to your office on the',\n"
               "    'first of March and received by the clerk on duty. Each parcel',\n"
               "    'was checked against the order and signed for in the ledger.',\n"
               "    'Questions about this statement may be sent to our accounts',\n"
               "    'department by letter or by fax, quoting the invoice number.']):\n"
               "    c.drawString(72, 600 - 22 * k, line)\n"
               "c.save()\n";
        std::ofstream(m_dir.file("chinese.py"))
            << "import sys\nfrom reportlab.pdfgen import canvas\nfrom reportlab.pdfbase import pdfmetrics\n"
               "from reportlab.pdfbase.cidfonts import UnicodeCIDFont\n"
               "pdfmetrics.registerFont(UnicodeCIDFont('STSong-Light'))\n"
               "c = canvas.Canvas(sys.argv[1], pagesize=(595, 842))\nc.setFont('STSong-Light', 16)\n"
               "for k, line in enumerate(['发票号码和付款日期', '货物已于三月一日送到贵公司', '请在三十天内付款',\n"
               "                          '如有疑问请来信或传真']):\n"
               "    c.drawString(72, 760 - 32 * k, line)\n"
               "c.save()\n";
        const std::string at = "cd " + quoted(m_dir.path().string()) + " && ";
        const char* steps[] = {
            "/usr/bin/python3 page.py page.pdf && /usr/bin/python3 chinese.py chinese.pdf",
            // Fax pages as scanners write them: G4 in one strip.
            "pdftoppm -r 300 -mono -tiff -singlefile page.pdf mono && tiffcp -c g4 -r 100000 mono.tif fax.tif",
            "pdftoppm -r 300 -mono -tiff -singlefile chinese.pdf cmono && tiffcp -c g4 -r 100000 cmono.tif chinese.tif",
            "pdftoppm -r 200 -gray -png -singlefile page.pdf grey",
            "for a in 90 180 270; do qpdf page.pdf --rotate=+$a --flatten-rotation -- t$a.pdf && "
            "pdftoppm -r 300 -mono -tiff -singlefile t$a.pdf t$a && tiffcp -c g4 -r 100000 t$a.tif turned$a.tif; done",
        };
        for (const char* step : steps) {
            const fixtures::ToolRun ran = run(at + step);
            if (ran.exit != 0) {
                m_failure = std::string(step) + ": " + ran.output;
                return;
            }
        }
    }
    fixtures::TempDir m_dir;
    std::string m_failure;
};

struct Merged {
    int exit = -1;
    json report;
    std::string output;
};

// The leak checker of the address-sanitised build cannot walk, at exit, the threads of what
// a recognising run loads (tesseract's OpenMP, Qt's PDF module): now and then it stops with a
// fatal error. Its runs here go without it; leaks are looked for in the tests that recognise
// in this process.
#if defined(__SANITIZE_ADDRESS__)
constexpr const char* kChildLeakCheck = "ASAN_OPTIONS=detect_leaks=0";
#else
constexpr const char* kChildLeakCheck = "";
#endif

Merged merge(const std::string& arguments, const std::string& environment = "") {
    Merged merged;
    const fixtures::ToolRun ran = run("(" + std::string(kChildLeakCheck) + " " + environment + " " +
                                      std::string(ORVELLE_CLI) + " merge " + arguments + " --json)");
    merged.exit = ran.exit;
    merged.output = ran.output;
    const size_t start = ran.output.find("{\"command\"");
    if (start != std::string::npos) merged.report = json::parse(ran.output.substr(start), nullptr, false);
    return merged;
}

// A word's box on the page as pdftotext -bbox gives it, in points from the top left.
struct Box {
    double xMin = -1, yMin = -1, xMax = -1, yMax = -1;
};

Box wordBox(const std::string& pdf, const std::string& word, int page = 1) {
    const std::string pages = " -f " + std::to_string(page) + " -l " + std::to_string(page) + " ";
    const fixtures::ToolRun ran = run("pdftotext -bbox" + pages + quoted(pdf) + " -");
    std::istringstream lines(ran.output);
    for (std::string line; std::getline(lines, line);) {
        if (line.find(">" + word + "</word>") == std::string::npos) continue;
        Box box;
        std::sscanf(line.c_str(), " <word xMin=\"%lf\" yMin=\"%lf\" xMax=\"%lf\" yMax=\"%lf\"", &box.xMin, &box.yMin,
                    &box.xMax, &box.yMax);
        return box;
    }
    return {};
}

std::string pageText(const std::string& pdf) { return run("pdftotext -layout " + quoted(pdf) + " -").output; }

// The raw picture streams of a PDF, in order, joined.
std::string rawPictures(const std::string& pdf, const fixtures::TempDir& dir, const std::string& stem) {
    run("pdfimages -raw " + quoted(pdf) + " " + quoted(dir.file(stem)));
    std::string all;
    for (int k = 0; k < 8; ++k)
        for (const char* extension : {".ccitt", ".png", ".jpg", ".jp2"}) {
            char name[32];
            std::snprintf(name, sizeof name, "-%03d%s", k, extension);
            const std::vector<uint8_t> bytes = fixtures::readBytes(dir.file(stem + name));
            all.append(bytes.begin(), bytes.end());
        }
    return all;
}

TEST(SearchablePdf, WordsLieOverTheUnchangedPictures) {
    REQUIRE_OCR_TOOLS();
    const Scans& scans = Scans::get();
    ASSERT_TRUE(scans.failure().empty()) << scans.failure();
    fixtures::TempDir dir;
    const std::string sources = quoted(scans["fax.tif"]) + " " + quoted(scans["grey.png"]) + " " + quoted(scans["chinese.tif"]);
    const Merged plain = merge("--out " + quoted(dir.file("plain.pdf")) + " " + sources);
    ASSERT_EQ(plain.exit, 0) << plain.output;
    const Merged searchable = merge("--ocr --ocr-lang chi_sim+eng --text " + quoted(dir.file("words.txt")) + " --out " +
                                    quoted(dir.file("searchable.pdf")) + " " + sources);
    ASSERT_EQ(searchable.exit, 0) << searchable.output;
    // A sound file, its words in two embedded fonts (Latin words a byte to a character) that
    // map them to Unicode.
    EXPECT_EQ(run("qpdf --check " + quoted(dir.file("searchable.pdf"))).exit, 0);
    const std::string fonts = run("pdffonts " + quoted(dir.file("searchable.pdf"))).output;
    EXPECT_NE(fonts.find("CID TrueType      Identity-H       yes no  yes"), std::string::npos) << fonts;
    EXPECT_NE(fonts.find("TrueType          WinAnsi          yes no  yes"), std::string::npos) << fonts;
    EXPECT_EQ(std::count(fonts.begin(), fonts.end(), '\n'), 4) << fonts;
    // The pictures are the very data written without the words.
    EXPECT_EQ(rawPictures(dir.file("searchable.pdf"), dir, "a"), rawPictures(dir.file("plain.pdf"), dir, "b"));
    EXPECT_TRUE(pageText(dir.file("plain.pdf")).find("Invoice") == std::string::npos);

    const std::string text = pageText(dir.file("searchable.pdf"));
    for (const char* word : {"Invoice", "4711", "quarterly", "remit", "thirty"}) EXPECT_NE(text.find(word), std::string::npos) << word << " in\n" << text;
    for (const char* words : {"付款日期", "三月一日"}) EXPECT_NE(text.find(words), std::string::npos) << words << " in\n" << text;
    // Each word where the scan shows it: "Invoice" was set at 72 pt from the left on the
    // baseline 760 pt from the bottom of an A4 page, in 18 pt type (capitals 13 pt tall,
    // the word's ink 54 pt wide); its box reaches a quarter of that below the baseline.
    const Box invoice = wordBox(dir.file("searchable.pdf"), "Invoice");
    EXPECT_NEAR(invoice.xMin, 72, 2);
    EXPECT_NEAR(invoice.yMin, 842 - 760 - 13, 2);
    EXPECT_NEAR(invoice.yMax, 842 - 760 + 13 / 4.0, 2);
    EXPECT_NEAR(invoice.xMax - invoice.xMin, 54, 3);

    const json& pages = searchable.report["recognised_pages"];
    ASSERT_EQ(pages.size(), 3u) << searchable.output;
    for (const json& page : pages) {
        EXPECT_TRUE(page["recognised"].get<bool>());
        EXPECT_GE(page["words"].get<int>(), page == pages.back() ? 10 : 60);
        EXPECT_GT(page["confidence"].get<double>(), 70);
    }
    // The text file: each page's words, a form feed between pages.
    std::ifstream file(dir.file("words.txt"), std::ios::binary);
    const std::string words((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_EQ(std::count(words.begin(), words.end(), '\f'), 2) << words;
    EXPECT_NE(words.find("Invoice number 4711"), std::string::npos) << words;
    EXPECT_NE(words.find("Invoice number 4711", words.find('\f')), std::string::npos) << words;
}

TEST(SearchablePdf, TurnedPagesAreSetUprightAndTheSameOnOneWorkerOrFour) {
    REQUIRE_OCR_TOOLS();
    const Scans& scans = Scans::get();
    ASSERT_TRUE(scans.failure().empty()) << scans.failure();
    fixtures::TempDir dir;
    std::string sources;
    for (const char* name : {"turned90.tif", "turned180.tif", "turned270.tif", "grey.png"}) sources += " " + quoted(scans[name]);
    std::vector<uint8_t> first;
    for (const int workers : {1, 4}) {
        const std::string out = dir.file("w" + std::to_string(workers) + ".pdf");
        const Merged merged = merge("--ocr --ocr-lang eng --auto-rotate --out " + quoted(out) + sources,
                                    "SOURCE_DATE_EPOCH=1700000000 ORVELLE_WORKERS=" + std::to_string(workers));
        ASSERT_EQ(merged.exit, 0) << merged.output;
        // Each turned page is set upright by its /Rotate, its picture as stored, and its words
        // stand where they do on the upright page; the upright one is left as it is.
        const json& pages = merged.report["recognised_pages"];
        ASSERT_EQ(pages.size(), 4u);
        const int upright[] = {270, 180, 90, 0};
        for (int k = 0; k < 4; ++k) {
            SCOPED_TRACE("page " + std::to_string(k + 1) + " on " + std::to_string(workers) + " workers");
            EXPECT_EQ(pages[k].value("turned_upright", 0), upright[k]);
            const std::string info = run("pdfinfo -f " + std::to_string(k + 1) + " -l " + std::to_string(k + 1) + " " + quoted(out)).output;
            EXPECT_EQ(std::atoi(info.c_str() + info.find("rot:") + 4), upright[k]) << info;
            const std::string text = run("pdftotext -f " + std::to_string(k + 1) + " -l " + std::to_string(k + 1) + " " + quoted(out) + " -").output;
            EXPECT_NE(text.find("Invoice number 4711"), std::string::npos) << text;
            const Box invoice = wordBox(out, "Invoice", k + 1);
            EXPECT_NEAR(invoice.xMin, 72, 2);
            EXPECT_NEAR(invoice.yMin, 842 - 760 - 13, 2);
        }
        const std::vector<uint8_t> bytes = fixtures::readBytes(out);
        if (first.empty()) first = bytes;
        EXPECT_EQ(bytes, first) << "on " << workers << " workers";
    }
}

// The text layer alone, with words placed by hand rather than found: on a 300 dpi page turned
// by each quarter (its /Rotate where it is stored, its pixels where it is decoded), each word
// is where its box says on the page as shown, on a leaning row too; Chinese characters read
// together, other words apart however close or overlapping their boxes.
TEST(SearchablePdf, WordsStandInTheirBoxesOnThePageAsShown) {
    REQUIRE_OCR_TOOLS();
    fixtures::TempDir dir;
    const std::string stored = dir.file("stored.tif"), decoded = dir.file("decoded.png");
    fixtures::writeTiff(stored, {{fixtures::TiffKind::Bilevel, 1200, 1800, COMPRESSION_CCITTFAX4, false, false, 300}});
    fixtures::writePng(decoded, fixtures::gradient(1200, 1800, 1), 300);
    for (const std::string& source : {stored, decoded})
        for (int turns = 0; turns < 4; ++turns) {
            SCOPED_TRACE(source + " turned " + std::to_string(turns));
            const bool across = turns % 2 == 1;
            orvelle::PageText text{across ? 1800u : 1200u, across ? 1200u : 1800u, {}};
            // Two words touching, and two Chinese characters a little apart, on one line.
            text.words = {{"Orvelle", 300, 400, 900, 500, 500, 90, true},
                          {"searches", 900, 400, 1150, 500, 500, 90, false},
                          {"发票", 300, 700, 500, 800, 800, 90, true},
                          {"号码", 520, 700, 720, 800, 800, 90, false},
                          // A mark whose box lies inside the next word's, as the recogniser finds
                          // on noisy faxes; punctuation of the one-byte font; a row that leans.
                          {"0", 300, 880, 330, 940, 940, 90, true},
                          {"ortancone", 310, 880, 700, 940, 940, 90, false},
                          {"\u201Ccaf\u00E9\u2014(x)\\\u201D", 300, 980, 800, 1040, 1040, 90, true},
                          {"leaning", 300, 1080, 500, 1140, 1140, 90, true},
                          {"row", 600, 1090, 800, 1150, 1150, 90, false},
                          {"ends", 900, 1100, 1100, 1160, 1160, 90, false}};
            const std::string out = dir.file("out.pdf");
            {
                orvelle::TGPPageSource page(orvelle::widenPath(source), true);
                orvelle::TGPStoredPageWriter writer(orvelle::widenPath(out), {true, false, 0});
                ASSERT_EQ(writer.addPage(page, 0, turns, &text).status, orvelle::Ok);
                ASSERT_EQ(writer.finish(), orvelle::Ok);
            }
            const Box word = wordBox(out, "Orvelle");
            EXPECT_NEAR(word.xMin, 72, 0.5);  // 300 px at 300 dpi
            EXPECT_NEAR(word.yMin, 96, 0.5);
            EXPECT_NEAR(word.yMax, 96 + 24 * 1.25, 0.5);  // its line stands 100 px above the baseline
            EXPECT_LT(word.xMax, wordBox(out, "searches").xMin);
            EXPECT_NEAR(wordBox(out, "发票号码").xMin, 72, 0.5);
            // The mark and the word read apart, the word moved over by no more than the gap.
            const Box mark = wordBox(out, "0"), over = wordBox(out, "ortancone");
            EXPECT_LT(mark.xMax, over.xMin);
            EXPECT_NE(run("pdftotext " + quoted(out) + " -").output.find("0 ortancone"), std::string::npos);
            EXPECT_NEAR(over.xMin, 310 * 0.24, 30 * 0.24);
            EXPECT_NEAR(wordBox(out, "\u201Ccaf\u00E9\u2014(x)\\\u201D").xMin, 72, 0.5);
            // Each word of the leaning row within a few pixels of its own top.
            for (const auto& [w, left, top] : {std::tuple{"leaning", 300, 1080}, {"row", 600, 1090}, {"ends", 900, 1100}}) {
                EXPECT_NEAR(wordBox(out, w).xMin, left * 0.24, 0.5) << w;
                EXPECT_NEAR(wordBox(out, w).yMin, top * 0.24, 1.5) << w;
            }
        }
}

// The recogniser run ahead of a writer in this process: each worker with its own decoder and
// engine, the pages taken in order, the same words and turns whatever the number of workers.
TEST(SearchablePdf, PagesAheadComeInOrderOnAnyNumberOfWorkers) {
    REQUIRE_OCR_TOOLS();
    const Scans& scans = Scans::get();
    ASSERT_TRUE(scans.failure().empty()) << scans.failure();
    using orvelle::PageToRecognise;
    const std::vector<PageToRecognise> pages{
        {scans["fax.tif"], 0, 0}, {scans["turned90.tif"], 0, 0}, {scans["fax.tif"], 0, 2}, {scans["page.pdf"], 0, 0}};
    const int upright[] = {0, 3, 2, 0};
    std::vector<std::string> first;
    for (const uint32_t workers : {1u, 2u, 4u}) {
        orvelle::ImagingSession::setWorkers(workers);
        std::vector<std::string> found;
        {
            orvelle::PageTexts texts(pages, {true, "eng", true}, [] { return false; });
            for (size_t k = 0; k < pages.size(); ++k) {
                const orvelle::RecognisedPage page = texts.take();
                EXPECT_EQ(page.uprightTurns, upright[k]) << "page " << k + 1 << " on " << workers << " workers";
                EXPECT_EQ(page.recognised, k + 1 < pages.size()) << page.note;
                std::string words = orvelle::plainText(page.text);
                for (const auto& word : page.text.words)
                    words += " " + std::to_string(word.left) + "," + std::to_string(word.top);
                found.push_back(words);
            }
        }
        orvelle::ImagingSession::setWorkers(0);
        EXPECT_NE(found[0].find("Invoice number 4711"), std::string::npos) << found[0];
        // The page turned half round by the job and set upright again is the page itself.
        EXPECT_EQ(found[2], found[0]);
        if (first.empty()) first = found;
        EXPECT_EQ(found, first) << "on " << workers << " workers";
    }
}

TEST(SearchablePdf, RefusalsAndPagesThatHaveText) {
    REQUIRE_OCR_TOOLS();
    const Scans& scans = Scans::get();
    ASSERT_TRUE(scans.failure().empty()) << scans.failure();
    fixtures::TempDir dir;
    const std::string out = dir.file("out.pdf");
    // A language that is not installed is refused before anything is written.
    const Merged missing = merge("--ocr --ocr-lang klingon --out " + quoted(out) + " " + quoted(scans["fax.tif"]));
    EXPECT_EQ(missing.exit, 2) << missing.output;
    EXPECT_NE(missing.output.find("tesseract-ocr-klingon"), std::string::npos) << missing.output;
    EXPECT_FALSE(std::filesystem::exists(out));
    for (const char* alone : {"--ocr-lang eng", "--auto-rotate", "--text words.txt"})
        EXPECT_EQ(merge(std::string(alone) + " --out " + quoted(out) + " " + quoted(scans["fax.tif"])).exit, 2) << alone;
    EXPECT_EQ(merge("--ocr --out " + quoted(dir.file("out.tif")) + " " + quoted(scans["fax.tif"])).exit, 2);
    // Cancelled while pages are being recognised: stopped after the page in hand, no file.
    std::string many;
    for (int k = 0; k < 12; ++k) many += " " + quoted(scans["fax.tif"]);
    const fixtures::ToolRun interrupted = run(std::string(kChildLeakCheck) + " timeout --preserve-status -s INT 2 " + std::string(ORVELLE_CLI) +
                                              " merge --ocr --ocr-lang eng --out " + quoted(out) + many + " 2>&1");
    EXPECT_EQ(interrupted.exit, 130) << interrupted.output;
    EXPECT_FALSE(std::filesystem::exists(out));
    // A PDF page is copied whole, its text with it, not recognised again.
    const Merged copied = merge("--ocr --ocr-lang eng --out " + quoted(out) + " " + quoted(scans["page.pdf"]) + " " +
                                quoted(scans["fax.tif"]));
    ASSERT_EQ(copied.exit, 0) << copied.output;
    const json& pages = copied.report["recognised_pages"];
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_FALSE(pages[0]["recognised"].get<bool>());
    EXPECT_EQ(pages[0]["note"], "a PDF's page goes whole, with the text it has");
    EXPECT_TRUE(pages[1]["recognised"].get<bool>());
    const std::string text = pageText(out);
    EXPECT_NE(text.find("Please remit payment within thirty days"), std::string::npos) << text;  // the source's own
}

// PDF sources go whole: a scan without text gets words over its unchanged picture; a page
// whose only text is unseen (an earlier recogniser's words, here in a form) keeps it under
// --ocr and has it replaced under --ocr=redo; a page of text to be seen goes as it is.
TEST(SearchablePdf, ScannedPdfPagesGetWordsAndUnseenWordsAreRedone) {
    REQUIRE_OCR_TOOLS();
    const Scans& scans = Scans::get();
    ASSERT_TRUE(scans.failure().empty()) << scans.failure();
    fixtures::TempDir dir;
    const std::string plain = dir.file("plain.pdf"), stale = dir.file("stale.pdf"), once = dir.file("once.pdf"),
                      twice = dir.file("twice.pdf");
    ASSERT_EQ(merge("--out " + quoted(plain) + " " + quoted(scans["fax.tif"])).exit, 0);
    std::ofstream(dir.file("stale.py"))
        << "import sys\nfrom reportlab.pdfgen import canvas\n"
           "c = canvas.Canvas(sys.argv[1], pagesize=(595, 842))\nc.drawImage(sys.argv[2], 0, 0, 595, 842)\n"
           "c.beginForm('old')\nt = c.beginText(72, 400)\nt.setTextRenderMode(3)\nt.textLine('Stalewords')\n"
           "c.drawText(t)\nc.endForm()\nc.doForm('old')\nc.save()\n";
    ASSERT_EQ(run("/usr/bin/python3 " + quoted(dir.file("stale.py")) + " " + quoted(stale) + " " + quoted(scans["grey.png"])).exit, 0);
    const auto pageWords = [](const std::string& pdf, int page) {
        const std::string p = std::to_string(page);
        return run("pdftotext -f " + p + " -l " + p + " " + quoted(pdf) + " -").output;
    };
    const auto count = [](const std::string& text, const std::string& word) {
        size_t n = 0;
        for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++n;
        return n;
    };

    const Merged first = merge("--ocr --ocr-lang eng --out " + quoted(once) + " " + quoted(plain) + " " + quoted(stale) +
                                   " " + quoted(scans["page.pdf"]));
    ASSERT_EQ(first.exit, 0) << first.output;
    const json& found = first.report["recognised_pages"];
    ASSERT_EQ(found.size(), 3u);
    EXPECT_TRUE(found[0]["recognised"].get<bool>());
    for (int k : {1, 2}) EXPECT_EQ(found[k]["note"], "a PDF's page goes whole, with the text it has") << k;
    EXPECT_EQ(count(pageWords(once, 1), "Invoice number 4711"), 1u) << pageWords(once, 1);
    EXPECT_EQ(count(pageWords(once, 2), "Stalewords"), 1u);
    EXPECT_EQ(rawPictures(once, dir, "a"), rawPictures(plain, dir, "b"));

    const Merged again = merge("--ocr=redo --ocr-lang eng --all-pages --out " + quoted(twice) + " " + quoted(once));
    ASSERT_EQ(again.exit, 0) << again.output;
    const json& redone = again.report["recognised_pages"];
    ASSERT_EQ(redone.size(), 3u);
    for (int k : {0, 1}) EXPECT_TRUE(redone[k]["recognised"].get<bool>()) << k;
    EXPECT_FALSE(redone[2]["recognised"].get<bool>());
    // The earlier words gone, the new ones there once; the pictures and the seen text kept.
    EXPECT_EQ(count(pageWords(twice, 1), "Invoice number 4711"), 1u) << pageWords(twice, 1);
    EXPECT_EQ(count(pageWords(twice, 2), "Stalewords"), 0u);
    EXPECT_EQ(count(pageWords(twice, 2), "Invoice number 4711"), 1u) << pageWords(twice, 2);
    EXPECT_EQ(count(pageWords(twice, 3), "Please remit payment within thirty days"), 1u);
    EXPECT_EQ(rawPictures(twice, dir, "c"), rawPictures(plain, dir, "d"));
    EXPECT_EQ(run("qpdf --check " + quoted(twice)).exit, 0);
}

}  // namespace
