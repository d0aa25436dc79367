// The 120 x 120 tile that the page list and the merge preview show: a white square, the
// active frame scaled to fit with its aspect kept and centred, a light-grey frame.
#pragma once

#include <cstdint>
#include <memory>

#include "gdipobj.h"

namespace orvelle {

constexpr int32_t kTileEdge = 120;

// A picture control as the tile sees it. Emptying the picture drops it; the next use of the
// canvas makes a new picture of the control's size.
class TileTarget {
public:
    virtual ~TileTarget() = default;
    virtual void emptyPicture() = 0;
    // A drawing surface on the canvas (for a control on screen, on its device context).
    virtual std::unique_ptr<TGPGraphics> drawingSurface() = 0;
    // The drawing is complete: the control may show it.
    virtual void drawingDone() = 0;
};

// A 120 x 120 tile target in memory: a 24-bit bitmap, for tiles that go to files.
class BitmapTileTarget : public TileTarget {
public:
    void emptyPicture() override { m_bitmap.reset(); }
    std::unique_ptr<TGPGraphics> drawingSurface() override;
    void drawingDone() override {}
    // The tile last drawn; null when the target is empty.
    TGPBitmap* bitmap() const { return m_bitmap.get(); }

private:
    std::unique_ptr<TGPBitmap> m_bitmap;
};

// The frame pen: colour 0 and width 2, then given the frame colour. The caller frees it.
TGPPen* CreateTileFramePen();

// The tile size for a W x H picture, with the scale and the quotient narrowed to 32-bit
// floats and rounded half to even; {0, 0} for a picture without pixels.
struct TileSize {
    int32_t width = 0;
    int32_t height = 0;
};
TileSize tileSizeFor(uint32_t width, uint32_t height);

// Draws the tile of the active frame of `source` into `target`. A source that reads 0 x 0
// leaves the target empty and draws nothing.
void DrawThumbnailTile(TGPImage& source, TileTarget& target, TGPPen& framePen);

// The same in two steps, so that the scaling (the costly part) can run on another thread
// and the drawing where the target lives: the active frame scaled to its tile size (null
// for a source that reads 0 x 0), then the tile drawn around it.
std::unique_ptr<TGPImage> makeTileThumbnail(TGPImage& source);
void drawTileAround(TGPImage* thumbnail, TileTarget& target, TGPPen& framePen);

// A white framed tile with no picture, for a page that could not be decoded.
void drawBlankTile(TileTarget& target, TGPPen& framePen);

}  // namespace orvelle
