// The command line's page ranges and its JSON reports, run in-process and parsed back.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <sstream>

#include "cli/info_command.h"
#include "cli/interrupts.h"
#include "cli/job_commands.h"
#include "cli/page_ranges.h"
#include "cli/usage_text.h"
#include "jobs/texts.h"
#include "support/fixtures.h"
#include "support/hand_made.h"
#include "support/readback.h"

using namespace orvelle::cli;
using fixtures::TempDir;
using fixtures::TiffKind;
using fixtures::TiffPage;

namespace {

struct RangeRow {
    const char* text;
    uint32_t pageCount;
    std::vector<uint32_t> pages;  // from 1; empty with `beyond` set: past the end
    uint32_t beyond = 0;
};

TEST(PageRanges, ExpandInTheOrderWritten) {
    const std::vector<RangeRow> rows = {
        {"1-3,7,10-", 12, {1, 2, 3, 7, 10, 11, 12}},
        {"5-2", 9, {5, 4, 3, 2}},
        {"3,3,1", 3, {3, 3, 1}},
        {"4-", 4, {4}},
        {"2-2", 5, {2}},
        {"1-13", 12, {}, 13},
        {"14-", 12, {}, 14},
        {"2,9-3", 8, {}, 9},
        // Counted from the end, as qpdf counts them.
        {"z", 5, {5}},
        {"z-1", 4, {4, 3, 2, 1}},
        {"r2", 5, {4}},
        {"r3-z", 5, {3, 4, 5}},
        {"1-r2", 5, {1, 2, 3, 4}},
        {"z-", 3, {3}},
        {"r6", 5, {}, 6},
        {"1-r9", 5, {}, 9},
    };
    for (const RangeRow& row : rows) {
        SCOPED_TRACE(row.text);
        const auto ranges = parsePageRanges(row.text);
        ASSERT_TRUE(ranges);
        uint32_t beyond = 0;
        const auto pages = expandPageRanges(*ranges, row.pageCount, beyond);
        if (row.beyond) {
            EXPECT_FALSE(pages);
            EXPECT_EQ(beyond, row.beyond);
            continue;
        }
        ASSERT_TRUE(pages);
        std::vector<uint32_t> fromOne;
        for (uint32_t page : *pages) fromOne.push_back(page + 1);
        EXPECT_EQ(fromOne, row.pages);
    }
    for (const char* bad : {"", "0", "1-0", "a", "1,,2", "-3", "2-x", "1 - 2", "3,", "99999999999", "r", "r0", "zz", "rz", "z1", "R2"})
        EXPECT_FALSE(parsePageRanges(bad)) << bad;
}

TEST(PageRanges, BracketsNameRangesUnlessTheFileExists) {
    TempDir dir;
    const RangedSource ranged = splitRangedSource(dir.file("scan.tif") + "[2-5]");
    EXPECT_EQ(ranged.path, dir.file("scan.tif"));
    ASSERT_TRUE(ranged.ranges);
    EXPECT_EQ(ranged.ranges->size(), 1u);
    const std::string odd = dir.file("odd[2]");
    fixtures::writeBytes(odd, {1});
    EXPECT_EQ(splitRangedSource(odd).path, odd);
    EXPECT_FALSE(splitRangedSource(odd).ranges);
    EXPECT_FALSE(splitRangedSource(dir.file("notes[draft]")).ranges);
    EXPECT_FALSE(splitRangedSource("plain.tif").ranges);
}

struct CommandRun {
    int status = 0;
    std::string out, err;
};

CommandRun run(int (*command)(const std::vector<std::string>&, std::ostream&, std::ostream&),
        const std::vector<std::string>& args) {
    std::ostringstream out, err;
    CommandRun result;
    result.status = command(args, out, err);
    result.out = out.str();
    result.err = err.str();
    return result;
}

TEST(JsonReports, SplitNamesEveryPageAndTheClosingMessage) {
    TempDir dir;
    const std::string source = dir.file("doc.tif");
    std::vector<TiffPage> pages(11, {TiffKind::Bilevel, 30, 20, COMPRESSION_CCITTFAX4, true});
    fixtures::writeTiff(source, pages);
    std::filesystem::create_directory(dir.file("out"));
    const CommandRun splitRun = run(runSplit, {source, "--out", dir.file("out"), "--format", "png", "--pages", "11,2-1",
                                     "--pad", "--keep-class", "--json"});
    ASSERT_EQ(splitRun.status, 0) << splitRun.err;
    const nlohmann::json report = nlohmann::json::parse(splitRun.out);
    EXPECT_EQ(report["command"], "split");
    EXPECT_EQ(report["document_pages"], 11);
    EXPECT_EQ(report["cancelled"], false);
    ASSERT_EQ(report["pages"].size(), 3u);
    EXPECT_EQ(report["pages"][0]["page"], 11);
    EXPECT_EQ(report["pages"][0]["file"], dir.file("out/doc_11.PNG"));
    EXPECT_EQ(report["pages"][2]["file"], dir.file("out/doc_01.PNG"));
    EXPECT_EQ(report["written"], 3);
    EXPECT_EQ(report["failed"], 0);
    EXPECT_EQ(report["message"]["title"], "提示");
    EXPECT_EQ(report["message"]["text"], "TIFF分解完成!");
    EXPECT_EQ(fixtures::readPng(dir.file("out/doc_02.PNG")).pngBitDepth, 1);

    const CommandRun beyond = run(runSplit, {source, "--out", dir.file("out"), "--pages", "10-12", "--json"});
    EXPECT_EQ(beyond.status, 2);
    EXPECT_NE(beyond.err.find("page 12 is past the end"), std::string::npos) << beyond.err;
    EXPECT_TRUE(beyond.out.empty());
    EXPECT_EQ(fixtures::listFolder(dir.file("out")).size(), 3u) << "nothing more written";
    EXPECT_EQ(run(runSplit, {source, "--out", dir.file("out"), "--quality", "0"}).status, 2);
    EXPECT_EQ(run(runSplit, {source, "--out", dir.file("out"), "--quality", "101"}).status, 2);
}

// The reports of pages put in order parse as JSON and say what was done to each page:
// turned (and how), left out as blank, cut into documents at blank separators.
TEST(JsonReports, TurnsBlankPagesAndDocumentsAreReported) {
    TempDir dir;
    const std::string doc = dir.file("doc.tif"), blank = dir.file("blank.png");
    fixtures::Picture white{64, 64, 1, std::vector<uint8_t>(64 * 64, 255)};
    fixtures::writePng(blank, white);
    fixtures::writeTiff(doc, std::vector<TiffPage>(2, {TiffKind::Bilevel, 30, 20, COMPRESSION_CCITTFAX4, true}));
    const std::string stack = dir.file("stack.tif");
    const CommandRun built = run(runMerge, {"--out", stack, "--all-pages", doc, blank, doc});
    ASSERT_EQ(built.status, 0) << built.err;

    const CommandRun turned = run(runMerge, {"--out", dir.file("t.tif"), "--lossless", "--all-pages", "--drop-blank",
                                             "--rotate", "-90:z", "--json", stack});
    ASSERT_EQ(turned.status, 0) << turned.err;
    const nlohmann::json merged = nlohmann::json::parse(turned.out);
    EXPECT_EQ(merged["pages"], 4);
    ASSERT_EQ(merged["blank_pages_dropped"].size(), 1u);
    EXPECT_EQ(merged["blank_pages_dropped"][0]["page"], 3);
    EXPECT_NE(turned.err.find("page 3 is blank and was left out"), std::string::npos) << turned.err;
    // z is the last page of the output as asked for, before the blank one was left out.
    ASSERT_EQ(merged["sources"][0]["turned_pages"].size(), 1u);
    EXPECT_EQ(merged["sources"][0]["turned_pages"][0]["page"], 5);
    EXPECT_EQ(merged["sources"][0]["turned_pages"][0]["turn"], 270);

    const CommandRun cut = run(runSplit, {stack, "--out", dir.file("letters"), "--documents", "blank", "--json"});
    ASSERT_EQ(cut.status, 0) << cut.err;
    const nlohmann::json documents = nlohmann::json::parse(cut.out);
    EXPECT_EQ(documents["separators"], nlohmann::json::array({3}));
    ASSERT_EQ(documents["documents"].size(), 2u);
    EXPECT_EQ(documents["documents"][1]["file"], dir.file("letters/stack_2.TIF"));
    EXPECT_EQ(documents["documents"][1]["pages"], nlohmann::json::array({4, 5}));
    EXPECT_EQ(fixtures::readTiffPages(dir.file("letters/stack_1.TIF")).size(), 2u);
}

TEST(JsonReports, MergeNamesEverySourceWithRangesAndCompression) {
    TempDir dir;
    const std::string fax = dir.file("fax.tif"), scan = dir.file("scan.tif");
    fixtures::writeTiff(fax, std::vector<TiffPage>(4, {TiffKind::Bilevel, 30, 20, COMPRESSION_CCITTFAX4, true}));
    fixtures::writeTiff(scan, {{TiffKind::Rgb, 8, 8, COMPRESSION_NONE}, {TiffKind::Rgb, 9, 9, COMPRESSION_NONE}});
    const std::string output = dir.file("out.tif");
    const CommandRun mergeRun = run(runMerge, {"--out", output, "--compression", "auto", "--json", fax + "[3-]",
                                     scan + "[2-1]", dir.file("missing.png")});
    ASSERT_EQ(mergeRun.status, 1) << mergeRun.err;
    const nlohmann::json report = nlohmann::json::parse(mergeRun.out);
    EXPECT_EQ(report["written"], true);
    EXPECT_EQ(report["pages"], 4);
    ASSERT_EQ(report["sources"].size(), 3u);
    EXPECT_EQ(report["sources"][0]["path"], fax);
    EXPECT_EQ(report["sources"][0]["pages_added"], 2);
    EXPECT_EQ(report["sources"][1]["pages_added"], 2);
    EXPECT_EQ(report["sources"][2]["error"], "No such file or directory");
    EXPECT_EQ(report["skipped"], 1);
    EXPECT_EQ(report["message"]["title"], "错误");
    const auto pages = fixtures::readTiffPages(output);
    ASSERT_EQ(pages.size(), 4u);
    EXPECT_EQ(pages[0].compression, COMPRESSION_CCITTFAX4);
    EXPECT_EQ(pages[2].compression, COMPRESSION_LZW);
    EXPECT_EQ(pages[2].width, 9u) << "the scan's pages backwards";
    EXPECT_EQ(pages[3].width, 8u);

    std::filesystem::remove(output);
    const CommandRun beyond = run(runMerge, {"--out", output, fax + "[2-5]"});
    EXPECT_EQ(beyond.status, 2);
    EXPECT_NE(beyond.err.find("page 5 is past the end"), std::string::npos) << beyond.err;
    EXPECT_FALSE(std::filesystem::exists(output));
    EXPECT_EQ(run(runMerge, {"--out", output, "--compression", "zip", fax}).status, 2);
}

// A merge's output format follows its name's extension in any letter case, unless --to
// names it; --dpi sizes the pages of pictures without a resolution.
// Outputs take the format their name says unless a choice names another, in any letter
// case; a split's folder is made with its parents.
TEST(CommandLine, OutputsTakeTheFormatTheirNameOrChoiceSays) {
    TempDir dir;
    const std::string picture = dir.file("picture.png"), doc = dir.file("doc.tif");
    fixtures::writePng(picture, fixtures::gradient(30, 20, 3));
    fixtures::writeTiff(doc, std::vector<TiffPage>(2, {TiffKind::Rgb, 8, 8, COMPRESSION_LZW}));
    struct Row {
        int (*command)(const std::vector<std::string>&, std::ostream&, std::ostream&);
        std::vector<std::string> args;
        std::string output;
        const char* magic;
    };
    const std::vector<Row> rows = {
        {runMerge, {"--out", dir.file("a.PDF"), picture}, dir.file("a.PDF"), "%PDF-"},
        {runMerge, {"--out", dir.file("b.pdf"), "--to", "tiff", picture}, dir.file("b.pdf"), "II*"},
        {runMerge, {"--out", dir.file("c.tif"), "--to", "PDF", "--dpi", "300", picture}, dir.file("c.tif"), "%PDF-"},
        {runMerge, {"--out", dir.file("d.tif"), "--compression", "Deflate", picture}, dir.file("d.tif"), "II*"},
        {runSplit, {doc, "--page", "2", "--to", dir.file("p2.png")}, dir.file("p2.png"), "\x89PNG"},
        {runSplit, {doc, "--page", "1", "--to", dir.file("p1.TIF"), "--format", "tiff"}, dir.file("p1.TIF"), "II*"},
        {runSplit, {doc, "--page", "1", "--to", dir.file("p1.page"), "--format", "Bmp"}, dir.file("p1.page"), "BM"},
        {runSplit, {doc, "--out", dir.file("new/pages"), "--format", "PNG"}, dir.file("new/pages/doc_2.PNG"), "\x89PNG"},
        {runTiles, {doc, "--out", dir.file("new/tiles")}, dir.file("new/tiles/doc_1.png"), "\x89PNG"},
    };
    for (const Row& row : rows) {
        const CommandRun r = run(row.command, row.args);
        ASSERT_EQ(r.status, 0) << r.err;
        const std::vector<uint8_t> bytes = fixtures::readBytes(row.output);
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + std::strlen(row.magic)), row.magic) << row.output;
    }
    const CommandRun info = run(runInfo, {dir.file("c.tif")});
    EXPECT_NE(info.out.find("30 x 20, 24bppRGB, 300 x 300 dpi"), std::string::npos) << info.out;
}

TEST(JsonReports, LosslessRunsSayWhichPagesWereCopiedAsStored) {
    TempDir dir;
    const std::string fax = dir.file("fax.tif"), picture = dir.file("picture.png"), output = dir.file("out.tif");
    fixtures::writeTiff(fax, std::vector<TiffPage>(2, {TiffKind::Bilevel, 30, 20, COMPRESSION_CCITTFAX4, true}));
    fixtures::writePng(picture, fixtures::gradient(6, 4, 3));
    const CommandRun mergeRun = run(runMerge, {"--out", output, "--lossless", "--all-pages", "--json", fax, picture});
    ASSERT_EQ(mergeRun.status, 0) << mergeRun.err;
    const nlohmann::json report = nlohmann::json::parse(mergeRun.out);
    EXPECT_EQ(report["pages"], 3);
    EXPECT_EQ(report["sources"][0]["pages"][1]["page"], 2);
    EXPECT_EQ(report["sources"][0]["pages"][1]["copied"], true);
    EXPECT_EQ(report["sources"][1]["pages"][0]["copied"], false);
    EXPECT_NE(report["sources"][1]["pages"][0]["reason"].get<std::string>().find("PNG"), std::string::npos);
    // How each page went is a note for --json and --verbose; standard error is for failures.
    EXPECT_EQ(mergeRun.err.find("page 1 was decoded and written losslessly"), std::string::npos) << mergeRun.err;
    const CommandRun verbose = run(runMerge, {"--out", output, "--lossless", "--verbose", fax, picture});
    EXPECT_NE(verbose.err.find("page 1 was decoded and written losslessly"), std::string::npos) << verbose.err;

    const CommandRun pageRun =
        run(runSplit, {fax, "--page", "2", "--to", dir.file("two.tif"), "--format", "tiff", "--lossless", "--json"});
    ASSERT_EQ(pageRun.status, 0) << pageRun.err;
    const nlohmann::json page = nlohmann::json::parse(pageRun.out);
    EXPECT_EQ(page["pages"][0]["file"], dir.file("two.tif"));
    EXPECT_EQ(page["pages"][0]["copied"], true);
}

// Arguments that are wrong in a way a user cannot see are refused with the reason, exit 2,
// before anything is written.
TEST(CommandLine, AmbiguousArgumentsAreRefusedBeforeAnythingIsWritten) {
    TempDir dir;
    const std::string source = dir.file("doc.tif"), list = dir.file("list.txt"), output = dir.file("all.tif");
    fixtures::writeTiff(source, std::vector<TiffPage>(3, {TiffKind::Grey8, 8, 8, COMPRESSION_NONE}));
    fixtures::writeBytes(list, {'a', '.', 'p', 'n', 'g', 0, 'b', '.', 'p', 'n', 'g', '\n'});
    std::filesystem::create_directory(dir.file("out"));
    struct Row {
        int (*command)(const std::vector<std::string>&, std::ostream&, std::ostream&);
        std::vector<std::string> args;
        std::string reason;
    };
    const std::vector<Row> rows = {
        {runSplit, {source, "--page", "4294967299", "--to", dir.file("p.png")}, "pages are counted from 1"},
        {runSplit, {source, "--page", "4", "--to", dir.file("p.png")}, "page 4 is past the end of " + source + " (3 pages)"},
        {runSplit, {source, "--out", dir.file("out"), "--pages", "1", "--pages", "2"}, "--pages is given more than once"},
        {runSplit, {source, "--out", dir.file("out"), "--pages", "4294967297"}, "pages are written as"},
        {runMerge, {"--out", output, "--from-list", list}, "holds a NUL byte"},
        {runMerge, {"--out", output, "--out", dir.file("b.tif"), source}, "--out is given more than once"},
        {runMerge, {"--out", output, "--from-list", dir.file("none.txt")}, "No such file or directory"},
        {runSplit, {source, "--out", dir.file("out"), "--lossless"}, "add --format tiff"},
        {runSplit, {source, "--out", dir.file("out"), "--format", "tiff", "--percent", "50", "--lossless"},
         "only at 100 %"},
        {runMerge, {"--out", output, "--lossless", "--compression", "lzw", source}, "leave out --compression"},
        {runMerge, {"--out", dir.file("all.pdf"), "--compression", "g4", source}, "leave out --compression and --bigtiff"},
        {runMerge, {"--out", output, "--to", "png", source}, "unknown output format png (pdf or tiff)"},
        {runMerge, {"--out", output, "--dpi", "300", source}, "the output is a TIFF"},
        {runMerge, {"--out", output, "--to", "pdf", "--dpi", "0", source}, "from 1 to 100000"},
        {runSplit, {source, "--out", dir.file("out"), "--dpi", "200"}, "add --format pdf"},
        {runSplit, {source, "--page", "1", "--to", dir.file("p.png"), "--format", "JPEG"},
         "name says png, but --format says jpeg"},
        {runMerge, {"--out", output, "--rotate", "45:1", source}, "--rotate 45:1: the angle is +90, -90 or 180"},
        {runMerge, {"--out", output, "--all-pages", "--rotate", "+90:1", "--rotate", "180:4", source},
         "--rotate 180:4: page 4 is past the end of the output (3 pages)"},
        {runMerge, {"--out", output, "--rotate", "+90:x", source}, "the pages are ranges such as 2,4 or 1-z"},
        {runMerge, {"--out", output, "--collate", "--all-pages", source, source}, "leave out --all-pages"},
        {runMerge, {"--out", output, "--collate", source, source + "[1-2]"}, "has 3, " + source + " 2"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        const CommandRun r = run(row.command, row.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(row.reason), std::string::npos) << r.err;
    }
    EXPECT_EQ(fixtures::listFolder(dir.path().string()).size(), 3u) << "nothing written";
    EXPECT_TRUE(fixtures::listFolder(dir.file("out")).empty());
}

// find -print0 lists: any byte but NUL in a name, a newline included.
TEST(CommandLine, NulSeparatedListsTakeNamesWithNewlines) {
    TempDir dir;
    const std::string odd = dir.file("two\nlines.tif"), plain = dir.file("plain.tif"), list = dir.file("list");
    fixtures::writeTiff(odd, {{TiffKind::Rgb, 5, 5, COMPRESSION_NONE}});
    fixtures::writeTiff(plain, {{TiffKind::Rgb, 7, 7, COMPRESSION_NONE}});
    std::vector<uint8_t> bytes;
    for (const std::string& name : {odd, plain}) {
        bytes.insert(bytes.end(), name.begin(), name.end());
        bytes.push_back(0);
    }
    fixtures::writeBytes(list, bytes);
    const CommandRun r = run(runMerge, {"--out", dir.file("all.tif"), "--null", "--from-list", list});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto pages = fixtures::readTiffPages(dir.file("all.tif"));
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].width, 5u);
    EXPECT_EQ(pages[1].width, 7u);
}

// A report stays JSON whatever bytes a name holds, and the exact name can be had back.
TEST(JsonReports, NamesThatAreNotUtf8StayJsonAndExact) {
    TempDir dir;
    const std::string source = dir.file("scan\xff\xfe.tif");
    fixtures::writeTiff(source, {{TiffKind::Rgb, 5, 5, COMPRESSION_NONE}});
    const CommandRun r = run(runMerge, {"--out", dir.file("all.tif"), "--json", source, dir.file("   ")});
    ASSERT_EQ(r.status, 1) << r.err;
    const nlohmann::json report = nlohmann::json::parse(r.out);
    const std::string readable = report["sources"][0]["path"];
    EXPECT_EQ(readable, dir.file("scan\xEF\xBF\xBD\xEF\xBF\xBD.tif"));
    const std::string encoded = report["sources"][0]["path_base64"];
    EXPECT_EQ(encoded.size() % 4, 0u);
    EXPECT_FALSE(report["sources"][1].contains("path_base64"));
    EXPECT_NE(r.err.find("'" + dir.file("   ") + "'"), std::string::npos) << "a name of blanks is quoted: " << r.err;
}

// Every failure names the file at fault and the reason, on standard error and in --json; the
// closing message stays the window's.
TEST(CommandLine, FailuresNameTheFileAndTheReason) {
    TempDir dir;
    const std::string doc = dir.file("x.tif"), picture = dir.file("a.tif"), fifo = dir.file("pipe");
    fixtures::writeTiff(doc, std::vector<TiffPage>(3, {TiffKind::Grey8, 8, 8, COMPRESSION_NONE}));
    // Ten times as wide is more pixels than any side may have.
    fixtures::writeTiff(picture, {{TiffKind::Bilevel, 120000, 2, COMPRESSION_CCITTFAX4}});
    fixtures::writeBytes(dir.file("junk.tif"), {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0});
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_directory(dir.file("folder"));
    // A page larger than one picture may be (900 MB of grey), its header alone: in one LZW
    // strip it cannot be read by bands either; uncompressed, libtiff reads it a row at a time,
    // and it fails where its data ends.
    const std::string huge = dir.file("huge.tif"), unpacked = dir.file("unpacked.tif");
    for (const uint32_t compression : {COMPRESSION_LZW, COMPRESSION_NONE})
        fixtures::writeBytes(compression == COMPRESSION_LZW ? huge : unpacked,
                             fixtures::tiffWithEntries({{256, 4, 30000}, {257, 4, 30000}, {258, 3, 8}, {259, 3, compression},
                                                        {262, 3, 1}, {273, 4, 8}, {277, 3, 1}, {278, 4, 30000},
                                                        {279, 4, 900000000}}));
    const std::string longName = dir.file(std::string(300, 'a') + ".tif");
    struct Row {
        int (*command)(const std::vector<std::string>&, std::ostream&, std::ostream&);
        std::vector<std::string> args;
        std::string line;  // on standard error
        int status;
    };
    const std::vector<Row> rows = {
        {runSplit, {dir.file("none.tif"), "--out", dir.path().string()}, dir.file("none.tif") + ": No such file or directory", 2},
        {runSplit, {doc, "--out", dir.file("junk.tif") + "/pages", "--pages", "1"},
         "cannot make the folder " + dir.file("junk.tif") + "/pages: Not a directory", 2},
        {runTiles, {doc, "--out", dir.file("junk.tif") + "/tiles"}, "cannot make the folder", 2},
        {runSplit, {picture, "--out", dir.path().string(), "--percent", "1000"},
         picture + ": page 1 was not saved: the scaled page would be over the size limit of one picture", 2},
        {runSplit, {dir.file("junk.tif"), "--page", "1", "--to", dir.file("p.png")}, "cannot be decoded", 2},
        {runSplit, {huge, "--out", dir.path().string()}, huge + ": cannot be decoded (30000 x 30000 pixels: over the size limit of one picture)", 2},
        {runSplit, {unpacked, "--out", dir.path().string()}, unpacked + ": page 1 was not saved: the page cannot be decoded (TIFFReadEncodedStrip: Read error", 2},
        {runMerge, {"--out", dir.file("nodir/m.tif"), doc}, dir.file("nodir/m.tif") + ": No such file or directory", 2},
        {runMerge, {"--out", longName, doc}, longName + ": File name too long", 2},
        {runMerge, {"--out", dir.file("folder"), doc}, dir.file("folder") + ": Is a directory", 2},
        {runMerge, {"--out", fifo, doc}, fifo + ": is a FIFO, not a regular file", 2},
        {runMerge, {"--out", dir.file("m.tif"), dir.file("missing.png")}, dir.file("missing.png") + ": No such file or directory", 2},
        {runMerge, {"--out", dir.file("m.tif"), doc, dir.file("junk.tif")}, dir.file("junk.tif") + ": cannot be decoded", 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        const CommandRun r = run(row.command, row.args);
        EXPECT_EQ(r.status, row.status);
        EXPECT_NE(r.err.find(row.line), std::string::npos) << r.err;
    }
    struct stat info {};
    ASSERT_EQ(::stat(fifo.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode)) << "the FIFO is left as it was";

    const CommandRun json = run(runMerge, {"--out", dir.file("nodir/m.tif"), "--json", doc});
    const nlohmann::json report = nlohmann::json::parse(json.out);
    EXPECT_EQ(report["output_error"], "No such file or directory");
    EXPECT_TRUE(report["sources"].empty() || report["sources"][0]["failed_pages"].empty()) << "the source is not at fault";
    EXPECT_EQ(report["message"]["text"], "TIF文件合成失败!");
}

// A source or page that cannot be merged is named with the decoder's words, in every kind
// of merge, and never as the output's fault; the JSON message keeps the program's Chinese
// words whatever the user's language.
TEST(JsonReports, MergeFailuresCarryTheDecodersReason) {
    TempDir dir;
    const std::string doc = dir.file("doc.tif"), cut = dir.file("cut.jpg");
    fixtures::writeTiff(doc, std::vector<TiffPage>(3, {TiffKind::Rgb, 40, 30, COMPRESSION_LZW}));
    fixtures::spoilPage(doc, 1);
    fixtures::writeJpeg(cut, fixtures::gradient(64, 64, 3));
    std::vector<uint8_t> jpeg = fixtures::readBytes(cut);
    jpeg.resize(jpeg.size() * 6 / 10);
    fixtures::writeBytes(cut, jpeg);
    struct Row {
        const char* output;
        std::vector<std::string> options;
        bool pageTwoFails;  // a lossless copy takes the page's data as it is
    };
    const std::vector<Row> rows = {{"m.tif", {}, true}, {"l.tif", {"--lossless"}, false}, {"m.pdf", {}, true}};
    orvelle::setProgramLanguage(orvelle::Language::English);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.output);
        std::vector<std::string> args = {"--out", dir.file(row.output), "--all-pages", "--json"};
        args.insert(args.end(), row.options.begin(), row.options.end());
        args.insert(args.end(), {doc, cut});
        const CommandRun merged = run(runMerge, args);
        EXPECT_EQ(merged.status, 1) << merged.err;
        const nlohmann::json report = nlohmann::json::parse(merged.out);
        EXPECT_EQ(report["written"], true);
        EXPECT_FALSE(report.contains("output_error"));
        EXPECT_NE(report["sources"][1]["error"].get<std::string>().find("Premature end of JPEG file"), std::string::npos)
            << report["sources"][1];
        EXPECT_NE(merged.err.find(cut + ": "), std::string::npos) << merged.err;
        if (!row.pageTwoFails) continue;
        EXPECT_EQ(report["sources"][0]["failed_pages"], nlohmann::json::array({2}));
        EXPECT_FALSE(report["sources"][0]["page_errors"][0]["error"].get<std::string>().empty());
        EXPECT_NE(merged.err.find(doc + ": page 2 was not added ("), std::string::npos) << merged.err;
        const std::string text = report["message"]["text"];
        EXPECT_NE(text.find(doc + " (第2页)"), std::string::npos) << text;
        EXPECT_EQ(text.find("(page 2)"), std::string::npos) << text;
    }
    orvelle::setProgramLanguage(orvelle::Language::Chinese);
}

// A page whose name leads back to the document being split is not written; the rest are.
TEST(CommandLine, SplitNeverOverwritesItsSourceThroughALink) {
    TempDir dir;
    const std::string doc = dir.file("scan.tif");
    fixtures::writeTiff(doc, {{TiffKind::Rgb, 5, 5, COMPRESSION_NONE}, {TiffKind::Rgb, 6, 6, COMPRESSION_NONE},
                              {TiffKind::Rgb, 7, 7, COMPRESSION_NONE}});
    std::filesystem::create_symlink("scan.tif", dir.file("scan_2.TIF"));
    std::filesystem::create_hard_link(doc, dir.file("scan_3.TIF"));
    const CommandRun r = run(runSplit, {doc, "--out", dir.path().string(), "--format", "tiff", "--json"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("page 2 was not saved: the page cannot be written to " + dir.file("scan_2.TIF") +
                         ": it is the document being split"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("page 3 was not saved"), std::string::npos) << r.err;
    const auto pages = fixtures::readTiffPages(doc);
    ASSERT_EQ(pages.size(), 3u) << "the source keeps every page";
    EXPECT_EQ(pages[2].width, 7u);
    EXPECT_EQ(fixtures::readTiffPages(dir.file("scan_1.TIF")).size(), 1u);
    const nlohmann::json report = nlohmann::json::parse(r.out);
    EXPECT_EQ(report["written"], 1);
    EXPECT_EQ(report["failed"], 2);
}

// Ctrl+C during tiles stops after the tile in hand, keeps the tiles written and exits 130; a
// damaged page is named on standard error with the reason.
TEST(CommandLine, TilesStopOnAnInterruptAndNameDamagedPages) {
    TempDir dir;
    const std::string doc = dir.file("doc.tif");
    fixtures::writeTiff(doc, std::vector<TiffPage>(6, {TiffKind::Grey8, 40, 30, COMPRESSION_NONE}));
    std::filesystem::create_directory(dir.file("tiles"));
    // The program in a fresh process (this one's worker pool does not survive a fork), with
    // an interrupt already pending, held back until it handles interrupts.
    const std::string tiles = dir.file("tiles");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        sigset_t interrupt;
        sigemptyset(&interrupt);
        sigaddset(&interrupt, SIGINT);
        sigprocmask(SIG_BLOCK, &interrupt, nullptr);
        raise(SIGINT);
        execl(ORVELLE_CLI, "orvelle-cli", "tiles", doc.c_str(), "--out", tiles.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    const size_t written = fixtures::listFolder(tiles).size();
    EXPECT_GE(written, 1u);
    EXPECT_LE(written, 2u) << "the page on its way, at most";

    const std::string damaged = dir.file("damaged.tif");
    fixtures::writeTiff(damaged, {{TiffKind::Grey8, 40, 30, COMPRESSION_NONE}, {TiffKind::Grey8, 40, 30, COMPRESSION_LZW}});
    fixtures::spoilPage(damaged, 1);
    const CommandRun r = run(runTiles, {damaged, "--out", dir.file("tiles")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(damaged + ": page 2: cannot be decoded ("), std::string::npos) << r.err;
}

// A directory with empty entries (tag 0, type 0, count 0; tags out of order), as some older
// writers leave them: libtiff reads past them, so do we, and info shows what it said.
TEST(CommandLine, EmptyDirectoryEntriesAreAWarningNotAFailure) {
    TempDir dir;
    const std::string path = dir.file("old.tif");
    fixtures::writeTiff(path, {{TiffKind::Grey8, 8, 8, COMPRESSION_LZW}});
    std::vector<uint8_t> bytes = fixtures::readBytes(path);
    ASSERT_EQ(bytes[0], 'I');
    const auto le16 = [&](size_t at) { return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8); };
    const uint32_t ifd = bytes[4] | bytes[5] << 8 | bytes[6] << 16 | static_cast<uint32_t>(bytes[7]) << 24;
    const uint16_t count = le16(ifd);
    // The same directory again at the end of the file, two empty entries first.
    std::vector<uint8_t> moved(2 + 12 * 2, 0);
    fixtures::putLe16(moved, 0, static_cast<uint16_t>(count + 2));
    moved.insert(moved.end(), bytes.begin() + ifd + 2, bytes.begin() + ifd + 2 + 12 * count + 4);
    if (bytes.size() % 2) bytes.push_back(0);
    fixtures::putLe32(bytes, 4, static_cast<uint32_t>(bytes.size()));
    bytes.insert(bytes.end(), moved.begin(), moved.end());
    fixtures::writeBytes(path, bytes);

    auto image = fixtures::load(path);
    ASSERT_EQ(image->LastStatus, gdip::Ok);
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    ASSERT_NE(tif, nullptr);
    std::vector<uint32_t> raster(64);
    ASSERT_TRUE(TIFFReadRGBAImageOriented(tif, 8, 8, raster.data(), ORIENTATION_TOPLEFT, 0));
    TIFFClose(tif);
    for (uint32_t i = 0; i < 64; ++i)
        ASSERT_EQ(fixtures::pixel(*image, i % 8, i / 8) & 0xFF, TIFFGetR(raster[i])) << i;

    const CommandRun info = run(runInfo, {"--json", path});
    ASSERT_EQ(info.status, 0) << info.err;
    const nlohmann::json report = nlohmann::json::parse(info.out);
    EXPECT_EQ(report[0]["ok"], true);
    EXPECT_NE(report[0]["frames"][0]["warning"].get<std::string>().find("tag 0"), std::string::npos) << info.out;
    const CommandRun merged = run(runMerge, {"--out", dir.file("m.tif"), "--json", path});
    EXPECT_EQ(merged.status, 0) << merged.err;
    EXPECT_NE(nlohmann::json::parse(merged.out)["sources"][0]["warning"].get<std::string>().find("tag 0"),
              std::string::npos)
        << merged.out;
}

// info lists every page of a document with a damaged page, and names that page.
TEST(CommandLine, InfoNamesTheDamagedPageAndListsTheRest) {
    TempDir dir;
    const std::string path = dir.file("doc.tif");
    fixtures::writeTiff(path, {{TiffKind::Grey8, 8, 8, COMPRESSION_NONE},
                               {TiffKind::Grey8, 40, 30, COMPRESSION_LZW},
                               {TiffKind::Rgb, 9, 7, COMPRESSION_NONE}});
    fixtures::spoilPage(path, 1);
    const CommandRun r = run(runInfo, {"--json", path});
    EXPECT_EQ(r.status, 1);
    const nlohmann::json report = nlohmann::json::parse(r.out);
    ASSERT_EQ(report[0]["frames"].size(), 3u);
    EXPECT_EQ(report[0]["frames"][0]["width"], 8);
    EXPECT_NE(report[0]["frames"][1]["error"].get<std::string>().find("cannot be decoded"), std::string::npos);
    EXPECT_EQ(report[0]["frames"][2]["width"], 9);
    const CommandRun text = run(runInfo, {path});
    EXPECT_NE(text.out.find("3 frames"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("  2: cannot be decoded"), std::string::npos) << text.out;
}

// --help in either language: within 79 columns (a Chinese character takes two), and both
// name the same options, --lossless and --verbose among them.
TEST(CommandLine, HelpFitsATerminalAndNamesEveryOptionInBothLanguages) {
    std::set<std::string> named[2];
    for (const orvelle::Language language : {orvelle::Language::English, orvelle::Language::Chinese}) {
        const std::string text = usageText(language);
        std::istringstream lines(text);
        std::string line;
        while (std::getline(lines, line)) {
            size_t columns = 0;
            for (size_t i = 0; i < line.size(); ++i) {
                const auto byte = static_cast<unsigned char>(line[i]);
                if (byte < 0x80) ++columns;
                else if (byte >= 0xE0) columns += 2;  // three-byte characters here are all wide
            }
            EXPECT_LE(columns, 79u) << line;
        }
        std::regex option("--[a-z][a-z-]*");
        for (auto it = std::sregex_iterator(text.begin(), text.end(), option); it != std::sregex_iterator(); ++it)
            named[language == orvelle::Language::English].insert(it->str());
    }
    EXPECT_EQ(named[0], named[1]);
    for (const char* option : {"--lossless", "--verbose", "--dpi", "--to", "--null", "--json"})
        EXPECT_TRUE(named[1].count(option)) << option;
}

}  // namespace
