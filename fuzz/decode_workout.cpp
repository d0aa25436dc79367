#include "decode_workout.h"

#include <algorithm>

#include "imaging/platform/gdiplus_flat.h"

namespace orvelle::fuzz {
namespace {

constexpr uint32_t kMaxFramesVisited = 64;  // beyond that, frames repeat the same paths
constexpr int kDrawSide = 97;               // odd, so scaling never divides evenly

void exerciseFrame(gdip::GpImage* image, gdip::GpBitmap* canvas, gdip::GpGraphics* graphics) {
    using namespace gdip;
    UINT width = 0, height = 0;
    PixelFormat format = 0;
    REAL dpi = 0;
    (void)GdipGetImageWidth(image, &width);  // statuses are what is being exercised
    (void)GdipGetImageHeight(image, &height);
    (void)GdipGetImagePixelFormat(image, &format);
    (void)GdipGetImageHorizontalResolution(image, &dpi);
    if (width == 0 || height == 0) return;
    ARGB colour = 0;
    (void)GdipBitmapGetPixel(image, static_cast<INT>(width - 1), static_cast<INT>(height - 1), &colour);
    GpImage* thumbnail = nullptr;
    if (GdipGetImageThumbnail(image, 120, 120, &thumbnail, nullptr, nullptr) == Ok)
        (void)GdipDisposeImage(thumbnail);
    if (!graphics) return;
    for (const InterpolationMode mode : {InterpolationModeNearestNeighbor, InterpolationModeBilinear}) {
        (void)GdipSetInterpolationMode(graphics, mode);
        (void)GdipDrawImageRectRectI(graphics, image, 0, 0, kDrawSide, kDrawSide, 0, 0,
                                     static_cast<INT>(width), static_cast<INT>(height), UnitPixel,
                                     nullptr, nullptr, nullptr);
    }
    (void)GdipBitmapGetPixel(canvas, kDrawSide / 2, kDrawSide / 2, &colour);
}

// Every page copied as stored into a TIFF in the temporary folder, dropped unfinished (it
// never has a name where the file system allows it): the copier reads a TIFF's or a JPEG's
// structure (and a scanned PDF's pictures) without the decoders' checks. Other formats it only decodes, as done above
// already.
void copyPages(const char16_t* path) {
    using namespace gdip;
    GpPageSource* source = nullptr;
    UINT pages = 0;
    if (GdipOpenPageSource(path, nullptr, &source, &pages, nullptr) != Ok) return;
    GpStoredPageWriter* copy = nullptr;
    const std::u16string target = u"/tmp/orvelle-workout-copy.tif";
    if (GdipCreateStoredPageWriter(target.c_str(), nullptr, nullptr, &copy) == Ok) {
        for (uint32_t k = 0; k < std::min<uint32_t>(pages, kMaxFramesVisited); ++k) {
            INT copied = 0;
            (void)GdipStoredPageWriterAdd(copy, source, k, static_cast<INT>(k % 4), &copied, nullptr);
        }
        (void)GdipDisposeStoredPageWriter(copy);
    }
    (void)GdipDisposePageSource(source);
}

}  // namespace

WorkoutResult runDecodeWorkout(const char16_t* path) {
    using namespace gdip;
    WorkoutResult result;
    GpImage* image = nullptr;
    if (GdipLoadImageFromFile(path, &image) != Ok || !image) return result;
    result.loaded = true;
    GpBitmap* canvas = nullptr;
    GpGraphics* graphics = nullptr;
    if (GdipCreateBitmapFromScan0(kDrawSide, kDrawSide, 0, PixelFormat24bppRGB, nullptr, &canvas) == Ok)
        (void)GdipGetImageGraphicsContext(canvas, &graphics);
    GUID dimension{};
    UINT frames = 0;
    if (GdipImageGetFrameDimensionsList(image, &dimension, 1) == Ok)
        (void)GdipImageGetFrameCount(image, &dimension, &frames);
    result.frames = frames;
    const uint32_t visited = std::min<uint32_t>(frames, kMaxFramesVisited);
    for (uint32_t k = 0; k < visited; ++k) {
        if (GdipImageSelectActiveFrame(image, &dimension, k) != Ok) continue;
        ++result.decoded;
        exerciseFrame(image, canvas, graphics);
    }
    // Backwards once: animations replay from their start.
    if (visited > 1 && GdipImageSelectActiveFrame(image, &dimension, 0) == Ok)
        exerciseFrame(image, canvas, graphics);
    if (graphics) (void)GdipDeleteGraphics(graphics);
    if (canvas) (void)GdipDisposeImage(canvas);
    GUID format{};
    (void)GdipGetImageRawFormat(image, &format);
    (void)GdipDisposeImage(image);
    if (format == ImageFormatTIFF || format == ImageFormatJPEG || format == ImageFormatPDF) copyPages(path);
    return result;
}

}  // namespace orvelle::fuzz
