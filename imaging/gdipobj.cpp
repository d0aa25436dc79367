#include "gdipobj.h"

#include <memory>


namespace orvelle {

// The flat operations this file wraps.
using namespace gdip;


// --- TGPImage ----------------------------------------------------------------------------------

TGPImage::TGPImage(const std::u16string& path, bool useEmbeddedColorManagement) {
    LastStatus = useEmbeddedColorManagement
                     ? GdipLoadImageFromFileICM(path.c_str(), &NativeHandle)
                     : GdipLoadImageFromFileExplained(path.c_str(), &NativeHandle, &m_openFailure);
}

TGPImage::TGPImage(const std::u16string& path, Deferred) {
    LastStatus = GdipLoadImageFromFileDeferred(path.c_str(), &NativeHandle, &m_openFailure);
}

std::pair<uint32_t, uint32_t> TGPImage::PageSize(uint32_t page) {
    UINT width = 0, height = 0;
    if (RecordStatus(GdipGetFrameSize(NativeHandle, page, &width, &height)) != Ok) return {0, 0};
    return {width, height};
}

TGPImage::TGPImage(std::string_view bytes) {
    LastStatus = GdipLoadImageFromBytes(bytes.data(), bytes.size(), &NativeHandle);
}

TGPImage::TGPImage(GpImage* handle, GpStatus status) : NativeHandle(handle), LastStatus(status) {}

TGPImage::~TGPImage() {
    // Unconditional, as for every wrapper: a null handle is refused harmlessly, and the
    // object is gone whatever the release says.
    (void)GdipDisposeImage(NativeHandle);
}

GpStatus TGPImage::RecordStatus(GpStatus status) {
    if (status != Ok) LastStatus = status;
    return status;
}

ImageFacts TGPImage::facts() {
    ImageFacts facts;
    RecordStatus(GdipGetImageFacts(NativeHandle, &facts));
    return facts;
}

uint32_t TGPImage::PixelWidth() {
    uint32_t width = 0;
    RecordStatus(GdipGetImageWidth(NativeHandle, &width));
    return width;
}

uint32_t TGPImage::PixelHeight() {
    uint32_t height = 0;
    RecordStatus(GdipGetImageHeight(NativeHandle, &height));
    return height;
}

GpStatus TGPImage::ListFrameDimensions(GUID* dimensionIds, uint32_t count) {
    return RecordStatus(GdipImageGetFrameDimensionsList(NativeHandle, dimensionIds, count));
}

uint32_t TGPImage::CountFrames(const GUID* dimensionId) {
    uint32_t count = 0;
    RecordStatus(GdipImageGetFrameCount(NativeHandle, dimensionId, &count));
    return count;
}

PageList listPages(TGPImage& image) {
    PageList pages;
    if (image.NativeHandle && image.ListFrameDimensions(&pages.dimension, 1) == Ok)
        pages.count = image.CountFrames(&pages.dimension);
    return pages;
}

GpStatus TGPImage::ActivateFrame(const GUID* dimensionId, uint32_t frameIndex) {
    return RecordStatus(GdipImageSelectActiveFrame(NativeHandle, dimensionId, frameIndex));
}

void TGPImage::ReleaseFrame() {
    if (NativeHandle) (void)GdipImageReleaseFrame(NativeHandle);
}

GpStatus TGPImage::Turn(int quarterTurns) {
    return RecordStatus(GdipImageRotateFlip(NativeHandle, static_cast<RotateFlipType>((quarterTurns % 4 + 4) % 4)));
}

FrameText TGPImage::TextOfFrame(uint32_t frameIndex) {
    FrameText text = FrameText::None;
    return RecordStatus(GdipGetImageFrameText(NativeHandle, frameIndex, &text)) == Ok ? text : FrameText::None;
}

GpStatus TGPImage::RecognizeText(const std::string& languages, PageText& text, std::string& why) {
    return RecordStatus(GdipRecognizeImageText(NativeHandle, languages.c_str(), &text, &why));
}

GpStatus TGPImage::UprightTurns(const std::string& languages, int& quarterTurns, float& confidence, std::string& why) {
    INT turns = 0;
    REAL sure = 0;
    const GpStatus status = GdipGetImageUprightTurns(NativeHandle, languages.c_str(), &turns, &sure, &why);
    quarterTurns = turns;
    confidence = sure;
    return status;
}

float TGPImage::InkShare(uint8_t* paper) {
    REAL share = -1;
    uint8_t light = 0;
    if (RecordStatus(GdipGetImageInkShare(NativeHandle, &share, &light)) != Ok) return -1;
    if (paper) *paper = light;
    return share;
}

TGPImage* TGPImage::MakeThumbnail(uint32_t width, uint32_t height,
                                  GetThumbnailImageAbort callback, void* callbackData) {
    GpImage* thumbnail = nullptr;
    RecordStatus(
        GdipGetImageThumbnail(NativeHandle, width, height, &thumbnail, callback, callbackData));
    return new TGPImage(thumbnail, LastStatus);
}

GpStatus TGPImage::ThumbnailStreamed(uint32_t page, uint64_t fromBytes,
                                     const std::function<GpDrawnSize(uint32_t, uint32_t)>& sizeOf,
                                     std::unique_ptr<TGPImage>& thumbnail, GpStreamedFrame& streamed) {
    GpImage* made = nullptr;
    const GpStatus status =
        RecordStatus(GdipGetFrameThumbnailStreamed(NativeHandle, page, fromBytes, sizeOf, &made, &streamed));
    thumbnail.reset(made ? new TGPImage(made, Ok) : nullptr);
    return status;
}

TGPImage* TGPImage::ScaleInClass(uint32_t width, uint32_t height, float dpiScale) {
    GpImage* scaled = nullptr;
    RecordStatus(GdipScaleImageInClass(NativeHandle, width, height, dpiScale, &scaled));
    return new TGPImage(scaled, LastStatus);
}

GpStatus TGPImage::SaveToFile(const std::u16string& path, const GUID* encoderClsid,
                              const EncoderParameters* parameters) {
    return RecordStatus(GdipSaveImageToFile(NativeHandle, path.c_str(), encoderClsid, parameters));
}

GpStatus TGPImage::AppendFrame(TGPImage* frameSource, const EncoderParameters* parameters) {
    if (!frameSource) return RecordStatus(InvalidParameter);
    return RecordStatus(GdipSaveAddImage(NativeHandle, frameSource->NativeHandle, parameters));
}

GpStatus TGPImage::AppendFrameStreamed(TGPImage* frameSource, uint32_t page, uint64_t fromBytes, int quarterTurns,
                                       const std::u16string& path, const GUID* encoderClsid,
                                       const EncoderParameters* parameters, GpStreamedFrame& streamed) {
    if (!frameSource) return RecordStatus(InvalidParameter);
    return RecordStatus(GdipSaveAddFrameStreamed(NativeHandle, frameSource->NativeHandle, page, fromBytes, quarterTurns,
                                                 path.c_str(), encoderClsid, parameters, &streamed));
}

PixelFormat TGPImage::framePixelFormat() {
    PixelFormat format = 0;
    RecordStatus(GdipGetImagePixelFormat(NativeHandle, &format));
    return format;
}

std::string TGPImage::failureReason() {
    if (!NativeHandle) return m_openFailure;
    std::string failure;
    RecordStatus(GdipGetFrameFailure(NativeHandle, &failure));
    return failure;
}

std::string TGPImage::frameWarning() {
    std::string warning;
    RecordStatus(GdipGetFrameWarning(NativeHandle, &warning));
    return warning;
}

GUID TGPImage::rawFormat() {
    GUID format{};
    RecordStatus(GdipGetImageRawFormat(NativeHandle, &format));
    return format;
}

float TGPImage::horizontalResolution() {
    float resolution = 0;
    RecordStatus(GdipGetImageHorizontalResolution(NativeHandle, &resolution));
    return resolution;
}

float TGPImage::verticalResolution() {
    float resolution = 0;
    RecordStatus(GdipGetImageVerticalResolution(NativeHandle, &resolution));
    return resolution;
}

// --- TGPBitmap ---------------------------------------------------------------------------------

TGPBitmap::TGPBitmap(int32_t width, int32_t height, PixelFormat format) {
    LastStatus = GdipCreateBitmapFromScan0(width, height, 0, format, nullptr, &NativeHandle);
}

GpStatus TGPBitmap::setResolution(float dpiX, float dpiY) {
    return RecordStatus(GdipBitmapSetResolution(NativeHandle, dpiX, dpiY));
}

TGPImage* TGPImage::ScaledCopy(uint32_t width, uint32_t height, float dpiScale) {
    if (!GdipPictureSizeAllowed(width, height, PixelFormat24bppRGB)) return new TGPImage(nullptr, ValueOverflow);
    auto bitmap = std::make_unique<TGPBitmap>(static_cast<int32_t>(width), static_cast<int32_t>(height),
                                              PixelFormat24bppRGB);
    if (!bitmap->NativeHandle) return bitmap.release();
    const float dpiX = horizontalResolution(), dpiY = verticalResolution();
    // A resolution refused leaves the copy without one.
    if (dpiX > 0 && dpiY > 0) (void)bitmap->setResolution(dpiX * dpiScale, dpiY * dpiScale);
    // The profile goes along; the encoder leaves it out where the drawn pixels are not in
    // its colour space (a grey page's profile on RGB pixels).
    if (const GpStatus copied = GdipCopyImageMetadata(NativeHandle, bitmap->NativeHandle, dpiScale); copied != Ok)
        return new TGPImage(nullptr, copied);
    TGPGraphics graphics(bitmap.get());
    (void)graphics.SetScalingMode(InterpolationModeNearestNeighbor);  // a valid mode
    const GpStatus drawn =
        graphics.DrawImageScaled(this, PixelRect(0, 0, static_cast<int32_t>(width), static_cast<int32_t>(height)), 0,
                                 0, static_cast<int32_t>(PixelWidth()), static_cast<int32_t>(PixelHeight()), UnitPixel);
    if (drawn != Ok) return new TGPImage(nullptr, drawn);
    return bitmap.release();
}

GpStatus TGPImage::SaveDrawnToFile(uint32_t width, uint32_t height, float dpiScale, const std::u16string& path,
                                   const GUID* encoderClsid, const EncoderParameters* parameters) {
    return RecordStatus(
        GdipSaveImageDrawnToFile(NativeHandle, width, height, dpiScale, path.c_str(), encoderClsid, parameters));
}

GpStatus TGPImage::SaveFrameStreamed(uint32_t page, uint64_t fromBytes,
                                     const std::function<GpDrawnSize(uint32_t, uint32_t)>& sizeOf,
                                     const std::u16string& path, const GUID* encoderClsid,
                                     const EncoderParameters* parameters, GpStreamedFrame& streamed) {
    return RecordStatus(
        GdipSaveFrameStreamedToFile(NativeHandle, page, fromBytes, sizeOf, path.c_str(), encoderClsid, parameters, &streamed));
}

// --- TGPGraphics -------------------------------------------------------------------------------

TGPGraphics::TGPGraphics(HDC deviceContext) {
    LastStatus = GdipCreateFromHDC(deviceContext, &NativeHandle);
}

TGPGraphics::TGPGraphics(TGPImage* image) {
    if (image) LastStatus = GdipGetImageGraphicsContext(image->NativeHandle, &NativeHandle);
}

TGPGraphics::~TGPGraphics() {
    // Unconditional, as for every wrapper: a null handle is refused harmlessly, and the
    // object is gone whatever the release says.
    (void)GdipDeleteGraphics(NativeHandle);
}

GpStatus TGPGraphics::RecordStatus(GpStatus status) {
    if (status != Ok) LastStatus = status;
    return status;
}

GpStatus TGPGraphics::SetScalingMode(int32_t interpolationMode) {
    return RecordStatus(
        GdipSetInterpolationMode(NativeHandle, static_cast<InterpolationMode>(interpolationMode)));
}

GpStatus TGPGraphics::FillSurface(ArgbColor color) {
    return RecordStatus(GdipGraphicsClear(NativeHandle, color));
}

GpStatus TGPGraphics::PaintRectangle(TGPBrush* brush, int32_t x, int32_t y, int32_t width,
                                     int32_t height) {
    return RecordStatus(GdipFillRectangleI(NativeHandle, brush ? brush->NativeHandle : nullptr,
                                           x, y, width, height));
}

GpStatus TGPGraphics::OutlineRectangle(TGPPen* pen, int32_t x, int32_t y, int32_t width,
                                       int32_t height) {
    return RecordStatus(
        GdipDrawRectangleI(NativeHandle, pen ? pen->NativeHandle : nullptr, x, y, width, height));
}

GpStatus TGPGraphics::OutlineRectangle(TGPPen* pen, const PixelRect& rect) {
    return OutlineRectangle(pen, rect.X, rect.Y, rect.Width, rect.Height);
}

GpStatus TGPGraphics::DrawImageAt(TGPImage* image, float x, float y, float width, float height) {
    return RecordStatus(GdipDrawImageRect(NativeHandle, image ? image->NativeHandle : nullptr, x,
                                          y, width, height));
}

GpStatus TGPGraphics::DrawPageStreamed(TGPImage* image, uint32_t page, uint64_t fromBytes,
                                       const PixelRect& destination, GpStreamedFrame& streamed) {
    return RecordStatus(GdipDrawFrameStreamed(NativeHandle, image ? image->NativeHandle : nullptr, page, fromBytes,
                                              destination.X, destination.Y, destination.Width, destination.Height,
                                              &streamed));
}

GpStatus TGPGraphics::DrawImageScaled(TGPImage* image, const PixelRect& destination,
                                      int32_t sourceX, int32_t sourceY, int32_t sourceWidth,
                                      int32_t sourceHeight, GpUnit sourceUnit,
                                      const GpImageAttributes* attributes,
                                      DrawImageAbort callback, void* callbackData) {
    return RecordStatus(GdipDrawImageRectRectI(
        NativeHandle, image ? image->NativeHandle : nullptr, destination.X, destination.Y,
        destination.Width, destination.Height, sourceX, sourceY, sourceWidth, sourceHeight,
        sourceUnit, attributes, callback, callbackData));
}

// --- TGPPen ------------------------------------------------------------------------------------

TGPPen::TGPPen(ArgbColor color, float width) {
    LastStatus = GdipCreatePen1(color, width, UnitWorld, &NativeHandle);
}

TGPPen::~TGPPen() {
    // Unconditional, as for every wrapper: a null handle is refused harmlessly, and the
    // object is gone whatever the release says.
    (void)GdipDeletePen(NativeHandle);
}

GpStatus TGPPen::RecordStatus(GpStatus status) {
    if (status != Ok) LastStatus = status;
    return status;
}

GpStatus TGPPen::ChangeColor(ArgbColor color) {
    return RecordStatus(GdipSetPenColor(NativeHandle, color));
}

// --- TGPBrush, TGPSolidBrush -------------------------------------------------------------------

TGPBrush::TGPBrush(GpBrush* handle, GpStatus status) : NativeHandle(handle), LastStatus(status) {}

TGPBrush::~TGPBrush() {
    // Unconditional, as for every wrapper: a null handle is refused harmlessly, and the
    // object is gone whatever the release says.
    (void)GdipDeleteBrush(NativeHandle);
}

GpStatus TGPBrush::RecordStatus(GpStatus status) {
    if (status != Ok) LastStatus = status;
    return status;
}

TGPBrush* TGPBrush::Duplicate() {
    GpBrush* copy = nullptr;
    RecordStatus(GdipCloneBrush(NativeHandle, &copy));
    return new TGPBrush(copy, LastStatus);
}

TGPSolidBrush::TGPSolidBrush(ArgbColor color) {
    LastStatus = GdipCreateSolidFill(color, &NativeHandle);
}

// --- ImagingSession ----------------------------------------------------------------------------

uintptr_t ImagingSession::s_token = 0;
GdiplusStartupInput ImagingSession::s_input{};
bool ImagingSession::s_open = false;

void ImagingSession::open() {
    if (s_open) return;
    s_input.GdiplusVersion = 1;
    s_input.DebugEventCallback = nullptr;
    s_input.SuppressBackgroundThread = 0;
    s_input.SuppressExternalCodecs = 0;
    // The back end's start-up cannot fail for version 1 without a debug callback; a session
    // that did not open would show as GdiplusNotInitialized on the first object.
    (void)GdiplusStartup(&s_token, &s_input, nullptr);
    s_open = true;
}

void ImagingSession::close() {
    if (!s_open) return;
    GdiplusShutdown(s_token);
    s_open = false;
}

bool ImagingSession::isOpen() { return s_open; }

void ImagingSession::setWorkers(uint32_t count) { GdipSetWorkerCount(count); }

uint32_t ImagingSession::workers() { return GdipWorkerCount(); }

bool ImagingSession::setPdfDrawResolution(double dpi) { return GdipSetPdfDrawResolution(dpi) == Ok; }

}  // namespace orvelle
