// Drawing surfaces, pens and brushes.
#include <cmath>
#include <new>

#include "handles.h"
#include "image_limits.h"

namespace gdip {
namespace {

GpGraphics* newGraphics(const Surface& surface) {
    auto* graphics = new (std::nothrow) GpGraphics;
    if (graphics) graphics->surface = surface;
    return graphics;
}

// Rounds a float coordinate to the pixel grid, ties to even.
int64_t gridOf(REAL value) { return static_cast<int64_t>(std::nearbyint(value)); }

}  // namespace

GpStatus GdipGetImageGraphicsContext(GpImage* image, GpGraphics** graphics) {
    if (!graphics) return InvalidParameter;
    *graphics = nullptr;
    if (!image || image->frame.empty()) return InvalidParameter;
    Frame& frame = image->frame;
    Surface surface;
    switch (frame.pixelClass) {
        case PixelClass::Rgb24: surface.kind = Surface::Kind::Rgb24; break;
        case PixelClass::Argb32: surface.kind = Surface::Kind::Argb32; break;
        default: return InvalidParameter;  // indexed pixels cannot take arbitrary colours
    }
    surface.base = frame.pixels.get();
    surface.width = static_cast<int32_t>(frame.width);
    surface.height = static_cast<int32_t>(frame.height);
    surface.stride = frame.stride;
    *graphics = newGraphics(surface);
    return *graphics ? Ok : OutOfMemory;
}

GpStatus GdipCreateFromHDC(HDC hdc, GpGraphics** graphics) {
    if (!graphics) return InvalidParameter;
    *graphics = nullptr;
    if (!hdc || !hdc->pixels || hdc->width <= 0 || hdc->height <= 0 ||
        hdc->stride < hdc->width * 4)
        return InvalidParameter;
    Surface surface;
    surface.kind = Surface::Kind::Xrgb32;
    surface.base = reinterpret_cast<uint8_t*>(hdc->pixels);
    surface.width = hdc->width;
    surface.height = hdc->height;
    surface.stride = static_cast<size_t>(hdc->stride);
    *graphics = newGraphics(surface);
    return *graphics ? Ok : OutOfMemory;
}

GpStatus GdipDeleteGraphics(GpGraphics* graphics) {
    if (!graphics) return InvalidParameter;
    delete graphics;
    return Ok;
}

GpStatus GdipSetInterpolationMode(GpGraphics* graphics, InterpolationMode mode) {
    if (!graphics || mode < InterpolationModeDefault ||
        mode > InterpolationModeHighQualityBicubic)
        return InvalidParameter;
    graphics->mode = mode;
    return Ok;
}

GpStatus GdipGraphicsClear(GpGraphics* graphics, ARGB color) {
    if (!graphics) return InvalidParameter;
    clearSurface(graphics->surface, color);
    return Ok;
}

GpStatus GdipFillRectangleI(GpGraphics* graphics, GpBrush* brush, INT x, INT y, INT width,
                            INT height) {
    if (!graphics || !brush) return InvalidParameter;
    if (width <= 0 || height <= 0) return Ok;
    fillRect(graphics->surface, {x, y, width, height}, brush->color);
    return Ok;
}

GpStatus GdipDrawRectangleI(GpGraphics* graphics, GpPen* pen, INT x, INT y, INT width,
                            INT height) {
    if (!graphics || !pen) return InvalidParameter;
    if (width < 0 || height < 0) return InvalidParameter;
    outlineRect(graphics->surface, {x, y, width, height}, pen->width, pen->color);
    return Ok;
}

GpStatus GdipDrawImageRect(GpGraphics* graphics, GpImage* image, REAL x, REAL y, REAL width,
                           REAL height) {
    if (!graphics || !image || image->frame.empty()) return InvalidParameter;
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(width) ||
        !std::isfinite(height) || std::fabs(x) > Limits::kMaxCoordinate ||
        std::fabs(y) > Limits::kMaxCoordinate || std::fabs(width) > Limits::kMaxCoordinate ||
        std::fabs(height) > Limits::kMaxCoordinate)
        return InvalidParameter;
    const int64_t left = gridOf(x), top = gridOf(y);
    const IntRect destination{left, top, gridOf(x + width) - left, gridOf(y + height) - top};
    const IntRect source{0, 0, image->frame.width, image->frame.height};
    drawFrame(graphics->surface, image->frame, source, destination, graphics->mode);
    return Ok;
}

GpStatus GdipDrawImageRectRectI(GpGraphics* graphics, GpImage* image, INT dstx, INT dsty,
                                INT dstwidth, INT dstheight, INT srcx, INT srcy, INT srcwidth,
                                INT srcheight, GpUnit srcUnit, const GpImageAttributes*,
                                DrawImageAbort, void*) {
    if (!graphics || !image || image->frame.empty()) return InvalidParameter;
    if (srcUnit != UnitPixel) return NotImplemented;
    const Frame& frame = image->frame;
    if (srcx < 0 || srcy < 0 || srcwidth <= 0 || srcheight <= 0 ||
        int64_t{srcx} + srcwidth > frame.width || int64_t{srcy} + srcheight > frame.height)
        return InvalidParameter;
    drawFrame(graphics->surface, frame, {srcx, srcy, srcwidth, srcheight},
              {dstx, dsty, dstwidth, dstheight}, graphics->mode);
    return Ok;
}

GpStatus GdipCreatePen1(ARGB color, REAL width, GpUnit unit, GpPen** pen) {
    if (!pen) return InvalidParameter;
    *pen = nullptr;
    if (!sessionOpen()) return GdiplusNotInitialized;
    if (unit != UnitWorld && unit != UnitPixel) return NotImplemented;
    if (!std::isfinite(width) || width < 0 || width > Limits::kMaxPenWidth) return InvalidParameter;
    *pen = new (std::nothrow) GpPen{color, width};
    return *pen ? Ok : OutOfMemory;
}

GpStatus GdipSetPenColor(GpPen* pen, ARGB argb) {
    if (!pen) return InvalidParameter;
    pen->color = argb;
    return Ok;
}

GpStatus GdipDeletePen(GpPen* pen) {
    if (!pen) return InvalidParameter;
    delete pen;
    return Ok;
}

GpStatus GdipCreateSolidFill(ARGB color, GpSolidFill** brush) {
    if (!brush) return InvalidParameter;
    *brush = nullptr;
    if (!sessionOpen()) return GdiplusNotInitialized;
    *brush = new (std::nothrow) GpBrush{color};
    return *brush ? Ok : OutOfMemory;
}

GpStatus GdipCloneBrush(GpBrush* brush, GpBrush** cloneBrush) {
    if (!cloneBrush) return InvalidParameter;
    *cloneBrush = nullptr;
    if (!brush) return InvalidParameter;
    *cloneBrush = new (std::nothrow) GpBrush{*brush};
    return *cloneBrush ? Ok : OutOfMemory;
}

GpStatus GdipDeleteBrush(GpBrush* brush) {
    if (!brush) return InvalidParameter;
    delete brush;
    return Ok;
}

}  // namespace gdip
