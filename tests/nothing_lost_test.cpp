// Nothing lost, on any file: a composition that cannot complete its file says so and leaves
// no file, damaged pages fail alone, any byte string names a file, long names and linked
// names are written like any other.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tiffio.h>
#include <unistd.h>

#include <fstream>
#include <stdexcept>

#include "imaging/platform/text_utf8.h"
#include "imaging/text_path.h"
#include "merge/compose.h"
#include "split/page_export.h"
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

namespace fs = std::filesystem;

void overwrite(const std::string& path, uint64_t offset, const std::vector<uint8_t>& bytes) {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(offset));
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(file.good());
}

// Where page `index` keeps its first strip and its directory, as libtiff reads them.
struct PagePlace {
    uint64_t directory = 0;
    uint64_t strip = 0;
    uint64_t stripBytes = 0;
};
PagePlace placeOf(const std::string& path, uint16_t index) {
    PagePlace place;
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (!tif) return place;
    if (TIFFSetDirectory(tif, index)) {
        place.directory = TIFFCurrentDirOffset(tif);
        place.strip = TIFFGetStrileOffset(tif, 0);
        place.stripBytes = TIFFGetStrileByteCount(tif, 0);
    }
    TIFFClose(tif);
    return place;
}

enum class Damage { StripData, Directory };

// Three LZW pages of 30, 40 and 50 pixels' width; `page` gets the damage.
std::string damagedDocument(const TempDir& dir, uint16_t page, Damage damage) {
    const std::string path = dir.file("damaged.tif");
    fixtures::writeTiff(path, {{TiffKind::Rgb, 30, 20, COMPRESSION_LZW},
                               {TiffKind::Rgb, 40, 20, COMPRESSION_LZW},
                               {TiffKind::Rgb, 50, 20, COMPRESSION_LZW}});
    const PagePlace place = placeOf(path, page);
    if (damage == Damage::StripData) {
        // Codes past the table's end: not LZW data that any reader can decode.
        overwrite(path, place.strip, std::vector<uint8_t>(place.stripBytes, 0xFF));
    } else {
        // The required ImageWidth entry (256) renamed to a private tag: the directory can no
        // longer describe its page. The writer used this machine's (little-endian) order.
        const std::vector<uint8_t> bytes = fixtures::readBytes(path);
        EXPECT_EQ(bytes[0], 'I');
        const uint16_t count = static_cast<uint16_t>(bytes[place.directory] | (bytes[place.directory + 1] << 8));
        for (uint16_t e = 0; e < count; ++e) {
            const uint64_t entry = place.directory + 2 + uint64_t{e} * 12;
            if (bytes[entry] == 0x00 && bytes[entry + 1] == 0x01) overwrite(path, entry, {0xF0, 0xFF});
        }
    }
    return path;
}

}  // namespace

// --- the composition completes its file, or says it failed ------------------------------------

TEST(CompositionCompletion, FolderRemovedDuringTheRunIsAFailureWithNoPagesClaimed) {
    TempDir dir;
    fs::create_directory(dir.path() / "o");
    const std::string source = dir.file("a.tif");
    fixtures::writeTiff(source, {{TiffKind::Rgb, 20, 10}});
    RecordingContext rec;
    rec.onPump = [&] { fs::remove_all(dir.path() / "o"); };
    const ComposeResult result = compose({source, source, source}, dir.file("o/m.tif"), false, rec);
    EXPECT_FALSE(result.written);
    EXPECT_EQ(result.pages, 0u);
    EXPECT_EQ(rec.messages(), std::vector<std::string>{"错误|TIF文件合成失败!"});
    EXPECT_FALSE(fs::exists(dir.file("o/m.tif")));
}

TEST(CompositionCompletion, AnErrorMidwayLeavesTheExistingFileByteIdentical) {
    TempDir dir;
    const std::string source = dir.file("a.tif");
    fixtures::writeTiff(source, {{TiffKind::Rgb, 20, 10}});
    const std::string output = dir.file("m.tif");
    const std::vector<uint8_t> before{'k', 'e', 'e', 'p'};
    fixtures::writeBytes(output, before);
    RecordingContext rec;
    int pumps = 0;
    rec.onPump = [&] {
        if (++pumps == 2) throw std::runtime_error("interrupted");
    };
    EXPECT_THROW(compose({source, source, source}, output, false, rec), std::runtime_error);
    EXPECT_EQ(fixtures::readBytes(output), before);
    EXPECT_EQ(fixtures::listFolder(dir.path().string()), (std::vector<std::string>{"a.tif", "m.tif"}));
}

// --- a damaged page fails alone -----------------------------------------------------------

class DamagedPage : public ::testing::TestWithParam<std::tuple<uint16_t, Damage>> {};

TEST_P(DamagedPage, OpensWithItsPageCountAndOnlyThatPageFails) {
    const auto [damaged, damage] = GetParam();
    TempDir dir;
    const std::string path = damagedDocument(dir, damaged, damage);
    auto image = fixtures::load(path);
    ASSERT_NE(image->NativeHandle, nullptr) << "the other pages are fine";
    GUID dimension{};
    EXPECT_EQ(image->ListFrameDimensions(&dimension, 1), Ok);
    ASSERT_EQ(image->CountFrames(&dimension), 3u);
    for (uint16_t k = 0; k < 3; ++k) {
        const GpStatus status = image->ActivateFrame(&dimension, k);
        if (k == damaged) {
            EXPECT_NE(status, Ok) << "page " << k;
            EXPECT_EQ(image->PixelWidth(), 0u);
            EXPECT_NE(image->LastStatus, Ok);
        } else {
            EXPECT_EQ(status, Ok) << "page " << k;
            EXPECT_EQ(image->PixelWidth(), 30u + 10u * k);
        }
    }
}

TEST_P(DamagedPage, SplitWritesTheGoodPagesAndCountsTheOther) {
    const auto [damaged, damage] = GetParam();
    TempDir dir;
    const std::string path = damagedDocument(dir, damaged, damage);
    fs::create_directory(dir.path() / "out");
    RecordingContext rec;
    const ExportAllResult result = fixtures::exportAll(path, dir.file("out"), ExportFormat::Png, rec);
    EXPECT_EQ(result.pages, 3u);
    EXPECT_EQ(result.failedPages, std::vector<uint32_t>{damaged});
    EXPECT_EQ(rec.messages(), std::vector<std::string>{"错误|TIFF分解完成,但有1页未能保存!"});
    for (uint16_t k = 0; k < 3; ++k)
        EXPECT_EQ(fs::exists(dir.file("out/damaged_" + std::to_string(k + 1) + ".PNG")), k != damaged);
}

TEST_P(DamagedPage, CompositionOfEveryPageMergesTheGoodOnesAndNamesTheOther) {
    const auto [damaged, damage] = GetParam();
    TempDir dir;
    const std::string path = damagedDocument(dir, damaged, damage);
    const std::string other = dir.file("other.tif");
    fixtures::writeTiff(other, {{TiffKind::Grey8, 9, 9}});
    RecordingContext rec;
    const ComposeResult result = compose({path, other}, dir.file("m.tif"), true, rec);
    EXPECT_TRUE(result.written);
    const std::string label = path + " (第" + std::to_string(damaged + 1) + "页)";
    EXPECT_EQ(result.skipped, std::vector<std::string>{label});
    EXPECT_EQ(rec.messages(),
              std::vector<std::string>{"错误|TIF文件合成完毕,但以下图片无法识别,未能合成:\n" + label});
    const auto pages = fixtures::readTiffPages(dir.file("m.tif"));
    std::vector<uint32_t> widths;
    for (const auto& page : pages) widths.push_back(page.width);
    std::vector<uint32_t> expected;
    for (uint16_t k = 0; k < 3; ++k)
        if (k != damaged) expected.push_back(30u + 10u * k);
    expected.push_back(9);
    EXPECT_EQ(widths, expected);
}

TEST(DamagedPage, FirstPageOnlyOfADocumentWhoseFirstPageIsDamagedSkipsTheSource) {
    TempDir dir;
    const std::string path = damagedDocument(dir, 0, Damage::StripData);
    const std::string other = dir.file("other.tif");
    fixtures::writeTiff(other, {{TiffKind::Grey8, 9, 9}});
    RecordingContext rec;
    const ComposeResult result = compose({path, other}, dir.file("m.tif"), false, rec);
    EXPECT_TRUE(result.written);
    EXPECT_EQ(result.skipped, std::vector<std::string>{path});
    ASSERT_EQ(fixtures::readTiffPages(dir.file("m.tif")).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, DamagedPage,
    ::testing::Values(std::make_tuple(uint16_t{0}, Damage::StripData),
                      std::make_tuple(uint16_t{0}, Damage::Directory),
                      std::make_tuple(uint16_t{1}, Damage::StripData),
                      std::make_tuple(uint16_t{1}, Damage::Directory)),
    [](const auto& info) {
        return "page" + std::to_string(std::get<0>(info.param) + 1) +
               (std::get<1>(info.param) == Damage::StripData ? "_strip_data" : "_directory");
    });

// --- any byte string names a file -------------------------------------------------------------

TEST(PathBytes, EveryByteStringSurvivesTheRoundTrip) {
    const std::string cases[] = {
        "plain.tif",
        "中文/扫描.tif",                 // valid UTF-8
        "\xb2\xe2\xca\xd4.tif",          // GBK for the same kind of name
        "\xc0\xaf",                      // overlong "/"
        "\xed\xa0\x80\xed\xb0\x80",      // surrogates encoded as UTF-8
        "\xf4\x90\x80\x80",              // past U+10FFFF
        "\xe4\xb8",                      // cut short
        "\xf0\x9f\x98\x80 \xff\x80",     // a four-byte character, then stray bytes
    };
    for (const std::string& bytes : cases)
        EXPECT_EQ(gdip::bytesFromUtf16(widenPath(bytes)), bytes) << bytes;
}

TEST(PathBytes, ValidUtf8IsPlainUtf16AndForeignSurrogatesNameNoFile) {
    EXPECT_EQ(widenPath("中\xf0\x9f\x98\x80"), u"中\U0001F600");
    EXPECT_EQ(widenPath("\xff"), std::u16string(1, char16_t{0xDCFF}));
    EXPECT_EQ(gdip::bytesFromUtf16(std::u16string(1, char16_t{0xD800})), "\xef\xbf\xbd");
    EXPECT_EQ(gdip::bytesFromUtf16(std::u16string(1, char16_t{0xDC41})), "\xef\xbf\xbd")
        << "an ASCII byte is never escaped, so this is no byte";
}

TEST(PathBytes, GbkNamedTiffSplitsIntoNamesWithTheSameBytes) {
    TempDir dir;
    const std::string stem = "\xb2\xe2\xca\xd4";
    const std::string source = dir.file(stem + ".tif");
    fixtures::writeTiff(source, {{TiffKind::Rgb, 8, 8}, {TiffKind::Grey8, 6, 6}});
    RecordingContext rec;
    const ExportAllResult result = fixtures::exportAll(source, dir.path().string(), ExportFormat::Png, rec);
    EXPECT_EQ(rec.messages(), std::vector<std::string>{"提示|TIFF分解完成!"});
    ASSERT_EQ(result.written.size(), 2u);
    EXPECT_EQ(fixtures::readPng(dir.file(stem + "_2.PNG")).width, 6u);
}

// --- names the file system accepts are written ------------------------------------------------

TEST(OutputNames, NamesUpToTheFileSystemLimitAreWritten) {
    TempDir dir;
    const std::string source = dir.file("a.tif");
    fixtures::writeTiff(source, {{TiffKind::Rgb, 8, 8}});
    std::string name;
    while (name.size() + 3 + 4 <= 255) name += "页";  // 3 bytes each
    name += ".PNG";
    ASSERT_GE(name.size(), 250u);
    RecordingContext rec;
    EXPECT_TRUE(ExportPage({source, 0, dir.file(name), ExportFormat::Png, 100}, rec));
    EXPECT_EQ(fixtures::readPng(dir.file(name)).width, 8u);
    EXPECT_EQ(fixtures::listFolder(dir.path().string()), (std::vector<std::string>{"a.tif", name}));
}

TEST(OutputNames, ALinkedNameWritesTheFileItPointsToAndStaysALink) {
    TempDir dir;
    const std::string source = dir.file("a.tif");
    fixtures::writeTiff(source, {{TiffKind::Rgb, 8, 8}});
    fs::create_directory(dir.path() / "real");
    const std::string target = dir.file("real/page.png");
    fixtures::writeBytes(target, {'o', 'l', 'd'});
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    fs::create_symlink("real/page.png", dir.path() / "link.png");
    RecordingContext rec;
    EXPECT_TRUE(ExportPage({source, 0, dir.file("link.png"), ExportFormat::Png, 100}, rec));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link.png"));
    EXPECT_EQ(fixtures::readPng(target).width, 8u);
    struct stat info {};
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u) << "a replaced file keeps its permissions";
    EXPECT_EQ(fixtures::listFolder(dir.file("real")), std::vector<std::string>{"page.png"});
}

TEST(OutputNames, ALinkToNothingCreatesItsTarget) {
    TempDir dir;
    const std::string source = dir.file("a.tif");
    fixtures::writeTiff(source, {{TiffKind::Rgb, 8, 8}});
    fs::create_symlink("made.png", dir.path() / "link.png");
    RecordingContext rec;
    EXPECT_TRUE(ExportPage({source, 0, dir.file("link.png"), ExportFormat::Png, 100}, rec));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link.png"));
    EXPECT_EQ(fixtures::readPng(dir.file("made.png")).width, 8u);
}

TEST(Percentages, TypedTextIsClampedOrFallsBack) {
    EXPECT_EQ(percentFromText("0", 50), 1);
    EXPECT_EQ(percentFromText("5000", 50), 1000);
    EXPECT_EQ(percentFromText("250", 50), 250);
    EXPECT_EQ(percentFromText(" 75", 50), 75);
    EXPECT_EQ(percentFromText("", 50), 50);
    EXPECT_EQ(percentFromText("99999999999999", 50), 1000);
}
