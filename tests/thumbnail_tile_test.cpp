// The 120 x 120 tile, checked on the finished tile's pixels: where the picture starts and
// ends, the frame on the border, white elsewhere.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "imaging/thumbnail_tile.h"
#include "support/memory_tile.h"

using namespace orvelle;

namespace {

const ArgbColor kPicture = OpaqueColor(200, 30, 40);
const ArgbColor kWhite = OpaqueColor(255, 255, 255);
const ArgbColor kFrame = OpaqueColor(200, 200, 200);

using MemoryTarget = fixtures::MemoryTileTarget;

std::unique_ptr<TGPBitmap> solidPicture(int32_t width, int32_t height) {
    auto bitmap = std::make_unique<TGPBitmap>(width, height, PixelFormat24bppRGB);
    TGPGraphics graphics(bitmap.get());
    EXPECT_EQ(graphics.FillSurface(kPicture), Ok);
    return bitmap;
}

struct TileRow {
    int32_t width, height;          // the picture
    int32_t tileWidth, tileHeight;  // what the tile shows
    int32_t x, y;
};

void PrintTo(const TileRow& row, std::ostream* out) { *out << row.width << "x" << row.height; }

class TileRows : public ::testing::TestWithParam<TileRow> {};

TEST_P(TileRows, PictureFrameAndWhiteWhereTheyBelong) {
    const TileRow row = GetParam();
    auto picture = solidPicture(row.width, row.height);
    MemoryTarget target;
    std::unique_ptr<TGPPen> pen(CreateTileFramePen());
    DrawThumbnailTile(*picture, target, *pen);
    ASSERT_FALSE(target.empty());
    EXPECT_EQ(target.drawings(), 1);
    int wrong = 0;
    for (int y = 0; y < kTileEdge; ++y)
        for (int x = 0; x < kTileEdge; ++x) {
            const bool border = x == 0 || y == 0 || x == kTileEdge - 1 || y == kTileEdge - 1;
            const bool inside = x >= row.x && x < row.x + row.tileWidth && y >= row.y &&
                                y < row.y + row.tileHeight;
            const ArgbColor want = border ? kFrame : inside ? kPicture : kWhite;
            if (target.at(x, y) != want && ++wrong <= 3)
                ADD_FAILURE() << "pixel " << x << ", " << y << " is " << std::hex << target.at(x, y);
        }
    EXPECT_EQ(wrong, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, TileRows,
    ::testing::Values(TileRow{1000, 750, 120, 90, 0, 15}, TileRow{750, 1000, 90, 120, 15, 0},
                      TileRow{800, 800, 120, 120, 0, 0}, TileRow{2480, 3508, 85, 120, 17, 0},
                      TileRow{240, 101, 120, 50, 0, 35}, TileRow{1600, 100, 120, 8, 0, 56},
                      TileRow{144, 33, 120, 27, 0, 46}, TileRow{33, 144, 27, 120, 46, 0},
                      TileRow{10, 5, 120, 60, 0, 30},
                      // 0.5 rounds to even 0: a white framed tile with no picture.
                      TileRow{240, 1, 120, 0, 0, 60}),
    [](const auto& info) {
        return std::to_string(info.param.width) + "x" + std::to_string(info.param.height);
    });

TEST(Tile, SizesNarrowToFloatAndRoundHalfToEven) {
    EXPECT_EQ(tileSizeFor(144, 33).height, 27) << "27.4999981 as a float, not 27.5";
    EXPECT_EQ(tileSizeFor(240, 101).height, 50);
    EXPECT_EQ(tileSizeFor(2480, 3508).width, 85);
    EXPECT_EQ(tileSizeFor(0, 0).width, 0);
}

TEST(Tile, APictureWithoutPixelsLeavesTheTargetEmpty) {
    TGPImage failed(u"/no/such/picture.tif", false);
    MemoryTarget target;
    (void)target.drawingSurface();  // an earlier tile
    std::unique_ptr<TGPPen> pen(CreateTileFramePen());
    DrawThumbnailTile(failed, target, *pen);
    EXPECT_TRUE(target.empty());
    EXPECT_EQ(target.drawings(), 0);
}

TEST(Tile, FramePenIsTwoWideInTheFrameColour) {
    std::unique_ptr<TGPPen> pen(CreateTileFramePen());
    EXPECT_EQ(pen->LastStatus, Ok);
    MemoryTarget target;
    drawBlankTile(target, *pen);
    EXPECT_EQ(target.at(0, 60), kFrame);
    EXPECT_EQ(target.at(119, 119), kFrame);
    EXPECT_EQ(target.at(1, 60), kWhite) << "half the 2-unit pen lies outside and is clipped";
}

}  // namespace
