// Listing the pages of a TIFF: one entry per page in page order, whatever a page holds.
#include <gtest/gtest.h>
#include <tiffio.h>

#include "split/page_listing.h"
#include "support/fixtures.h"
#include "support/memory_tile.h"
#include "support/readback.h"

using namespace orvelle;
using fixtures::RecordingContext;
using fixtures::TempDir;
using fixtures::TiffKind;

namespace {

// Records what the window's list would get: each caption with the tile drawn for it.
class RecordingList : public PageListSink, public fixtures::MemoryTileTarget {
public:
    void addPage(const std::string& caption) override {
        captions.push_back(caption);
        tiles.push_back(pixels());
    }

    std::vector<std::string> captions;
    std::vector<std::vector<uint32_t>> tiles;
};

PageListing list(const std::string& path, RecordingList& entries, RecordingContext& rec) {
    JobContext context = rec.context();
    return listTiffPages(path, entries, entries, context);
}

TEST(PageListing, TwelvePagesOfMixedSizesInPageOrder) {
    TempDir dir;
    std::vector<fixtures::TiffPage> pages;
    for (uint32_t k = 0; k < 12; ++k)
        pages.push_back({k % 3 == 0 ? TiffKind::Bilevel : TiffKind::Rgb, 20 + 7 * k, 30 + k});
    fixtures::writeTiff(dir.file("twelve.tif"), pages);
    RecordingList entries;
    RecordingContext rec;
    const PageListing listing = list(dir.file("twelve.tif"), entries, rec);
    EXPECT_EQ(listing.pages, 12u);
    ASSERT_EQ(entries.captions.size(), 12u);
    for (uint32_t k = 0; k < 12; ++k)
        EXPECT_EQ(entries.captions[k], "图(" + std::to_string(k + 1) + ") " +
                                           std::to_string(20 + 7 * k) + "*" + std::to_string(30 + k));
    std::vector<std::string> expected{"begin 12 正在将TIFF文件分页显示,请等待......"};
    for (int k = 0; k < 12; ++k) {
        expected.push_back("step " + std::to_string(k));
        expected.push_back("pump");
    }
    expected.push_back("end");
    EXPECT_EQ(rec.events, expected);
    // Each tile is the framed picture: the frame on the border, the picture inside.
    for (const auto& tile : entries.tiles) {
        ASSERT_EQ(tile.size(), size_t{kTileEdge} * kTileEdge);
        EXPECT_EQ(tile[0] & 0xFFFFFF, 0xC8C8C8u);
    }
}

TEST(PageListing, UndecodableFileSaysSoAndListsNothing) {
    TempDir dir;
    fixtures::writeBytes(dir.file("text.tif"), {'n', 'o', 't', ' ', 'a', ' ', 't', 'i', 'f'});
    RecordingList entries;
    RecordingContext rec;
    EXPECT_EQ(list(dir.file("text.tif"), entries, rec).pages, 0u);
    EXPECT_TRUE(entries.captions.empty());
    EXPECT_EQ(rec.events, std::vector<std::string>{"message 错误|TIF文件无法识别!"});
}

// Entry positions must equal page indices: a damaged page gets a blank framed tile and a
// caption without a size, and the pages after it keep their places.
TEST(PageListing, DamagedPagesKeepTheirPlaces) {
    TempDir dir;
    const std::string path = dir.file("d.tif");
    fixtures::writeTiff(path, {{TiffKind::Rgb, 30, 20, COMPRESSION_LZW},
                               {TiffKind::Rgb, 40, 20, COMPRESSION_LZW},
                               {TiffKind::Rgb, 50, 20, COMPRESSION_LZW}});
    // Page 1's and page 2's first strips become codes no LZW decoder accepts.
    fixtures::spoilPage(path, 0);
    fixtures::spoilPage(path, 1);
    RecordingList entries;
    RecordingContext rec;
    const PageListing listing = list(path, entries, rec);
    EXPECT_EQ(listing.pages, 3u);
    EXPECT_EQ(listing.failedPages, 2u);
    EXPECT_EQ(entries.captions, (std::vector<std::string>{"图(1) 0*0", "图(2) 0*0", "图(3) 50*20"}));
    const auto& blank = entries.tiles[0];
    EXPECT_EQ(blank[0] & 0xFFFFFF, 0xC8C8C8u) << "framed";
    EXPECT_EQ(blank[60 * kTileEdge + 60] & 0xFFFFFF, 0xFFFFFFu) << "white inside";
}

}  // namespace
