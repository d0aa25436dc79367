// The command line's page ranges and its JSON reports, run in-process and parsed back.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/job_commands.h"
#include "cli/page_ranges.h"
#include "support/fixtures.h"
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
    for (const char* bad : {"", "0", "1-0", "a", "1,,2", "-3", "2-x", "1 - 2", "3,", "99999999999"})
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
    EXPECT_TRUE(report["sources"][2]["error"].get<std::string>().find("cannot be decoded") == 0);
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

}  // namespace
