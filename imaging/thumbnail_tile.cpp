#include "thumbnail_tile.h"

#include <cmath>
#include <memory>

namespace orvelle {
namespace {

const ArgbColor kTileBackground = OpaqueColor(255, 255, 255);
const ArgbColor kTileFrame = OpaqueColor(200, 200, 200);

// Rounds half to even in the default rounding mode.
int32_t roundToEven(float value) { return static_cast<int32_t>(std::nearbyint(value)); }

// White, the picture (if any) at (x, y) at its own size, the frame on the border.
void paintTile(TileTarget& target, TGPPen& framePen, TGPImage* thumbnail, int32_t x, int32_t y) {
    {
        std::unique_ptr<TGPGraphics> graphics = target.drawingSurface();
        // Statuses are recorded in the objects' LastStatus; a failed step leaves less drawn
        // and nothing else to do (an absent thumbnail leaves the tile white and framed).
        (void)graphics->FillSurface(kTileBackground);
        if (thumbnail)
            (void)graphics->DrawImageAt(thumbnail, static_cast<float>(x), static_cast<float>(y),
                                        static_cast<float>(thumbnail->PixelWidth()),
                                        static_cast<float>(thumbnail->PixelHeight()));
        (void)graphics->OutlineRectangle(&framePen, PixelRect(0, 0, kTileEdge, kTileEdge));
    }
    target.drawingDone();
}

}  // namespace

std::unique_ptr<TGPGraphics> BitmapTileTarget::drawingSurface() {
    if (!m_bitmap) m_bitmap.reset(new TGPBitmap(kTileEdge, kTileEdge, PixelFormat24bppRGB));
    return std::unique_ptr<TGPGraphics>(new TGPGraphics(m_bitmap.get()));
}

TGPPen* CreateTileFramePen() {
    auto* pen = new TGPPen(0, 2.0f);
    (void)pen->ChangeColor(kTileFrame);  // recorded in the pen; a failed pen draws nothing
    return pen;
}

TileSize tileSizeFor(uint32_t width, uint32_t height) {
    if (width == 0 || height == 0) return {};
    TileSize size;
    if (height < width) {
        size.width = kTileEdge;
        const float scale = static_cast<float>(static_cast<long double>(width) / kTileEdge);
        size.height = roundToEven(static_cast<float>(static_cast<long double>(height) / scale));
    } else {
        size.height = kTileEdge;
        const float scale = static_cast<float>(static_cast<long double>(height) / kTileEdge);
        size.width = roundToEven(static_cast<float>(static_cast<long double>(width) / scale));
    }
    return size;
}

std::unique_ptr<TGPImage> makeTileThumbnail(TGPImage& source) {
    const uint32_t width = source.PixelWidth();
    const uint32_t height = source.PixelHeight();
    if (width == 0 || height == 0) return nullptr;
    const TileSize size = tileSizeFor(width, height);
    return std::unique_ptr<TGPImage>(
        source.MakeThumbnail(static_cast<uint32_t>(size.width), static_cast<uint32_t>(size.height)));
}

void drawTileAround(TGPImage* thumbnail, TileTarget& target, TGPPen& framePen) {
    target.emptyPicture();
    // A picture without pixels has no scale: nothing is drawn, and the target stays empty.
    if (!thumbnail) return;
    // The thumbnail has the tile size the page's own size gives.
    const auto width = static_cast<int32_t>(thumbnail->PixelWidth());
    const auto height = static_cast<int32_t>(thumbnail->PixelHeight());
    const int32_t x = (kTileEdge - width) / 2;
    const int32_t y = (kTileEdge - height) / 2;
    paintTile(target, framePen, thumbnail->NativeHandle ? thumbnail : nullptr, x, y);
}

void DrawThumbnailTile(TGPImage& source, TileTarget& target, TGPPen& framePen) {
    const std::unique_ptr<TGPImage> thumbnail = makeTileThumbnail(source);
    drawTileAround(thumbnail.get(), target, framePen);
}

void drawBlankTile(TileTarget& target, TGPPen& framePen) {
    target.emptyPicture();
    paintTile(target, framePen, nullptr, 0, 0);
}

}  // namespace orvelle
