// Wrapper objects over the flat imaging interface. Each owns one handle, records the last
// failure in LastStatus and never throws on a failed call.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "gdipapi.h"

namespace orvelle {

class TGPImage;

// A document's pages as the jobs walk them: the id of its frame dimension and how many
// frames it holds; a zero id and no page when it did not open or its frames cannot be
// listed (which is then the failure).
struct PageList {
    GUID dimension{};
    uint32_t count = 0;
};
PageList listPages(TGPImage& image);

class TGPImage : public TGdiplusBase {
public:
    TGPImage(const std::u16string& path, bool useEmbeddedColorManagement);
    // A picture from a file's bytes held in memory, which are copied.
    explicit TGPImage(std::string_view bytes);
    TGPImage(GpImage* handle, GpStatus status);
    // A document whose pages are decoded only when they are activated (a picture of one
    // page is decoded at once, as above).
    struct Deferred {};
    TGPImage(const std::u16string& path, Deferred);
    ~TGPImage() override;
    // The size of page `page`: the active frame's, or from the page's header; zero when it
    // cannot be had.
    std::pair<uint32_t, uint32_t> PageSize(uint32_t page);

    uint32_t PixelWidth();
    uint32_t PixelHeight();
    [[nodiscard]] GpStatus ListFrameDimensions(GUID* dimensionIds, uint32_t count);
    uint32_t CountFrames(const GUID* dimensionId);
    [[nodiscard]] GpStatus ActivateFrame(const GUID* dimensionId, uint32_t frameIndex);
    // Frees the active frame's pixels (decoded again when activated again); a file being
    // written through this image stays open.
    void ReleaseFrame();
    // Turns the active frame by `quarterTurns` quarters clockwise.
    [[nodiscard]] GpStatus Turn(int quarterTurns);
    // The text frame `frameIndex` carries of its own (a PDF page's); None when it cannot tell.
    FrameText TextOfFrame(uint32_t frameIndex);
    // The words of the active frame as it is, in `languages` ("chi_sim+eng"); `why` says
    // why not when they cannot be had.
    [[nodiscard]] GpStatus RecognizeText(const std::string& languages, PageText& text, std::string& why);
    // The quarter turns clockwise that set the active frame's text upright, and how sure
    // the recogniser is; NotImplemented when it cannot tell.
    [[nodiscard]] GpStatus UprightTurns(const std::string& languages, int& quarterTurns, float& confidence,
                                        std::string& why);
    // Of the active frame: the share of its pixels well darker than its paper, 0 to 1 (-1
    // when it cannot be had), and the paper's lightness.
    float InkShare(uint8_t* paper = nullptr);
    // The caller owns the result, which is returned also when the platform failed.
    TGPImage* MakeThumbnail(uint32_t width, uint32_t height,
                            GetThumbnailImageAbort callback = nullptr,
                            void* callbackData = nullptr);
    // MakeThumbnail's thumbnail of page `page` at the size `sizeOf` gives for it, made as the
    // page is read by bands, into `thumbnail`; NotImplemented as for SaveFrameStreamed.
    [[nodiscard]] GpStatus ThumbnailStreamed(uint32_t page, uint64_t fromBytes,
                                             const std::function<GpDrawnSize(uint32_t, uint32_t)>& sizeOf,
                                             std::unique_ptr<TGPImage>& thumbnail, GpStreamedFrame& streamed);
    // The active frame scaled with nearest neighbour, in its own pixel class, its resolution
    // times `dpiScale`; the caller owns the result, returned also when the platform failed.
    TGPImage* ScaleInClass(uint32_t width, uint32_t height, float dpiScale);
    // The active frame drawn with nearest neighbour into a new 24-bit bitmap of `width` x
    // `height`, its resolution (when it has one) times `dpiScale`; ValueOverflow when such
    // a picture would be over the size limit. Owned by the caller, returned also on failure.
    TGPImage* ScaledCopy(uint32_t width, uint32_t height, float dpiScale);
    // The file ScaledCopy's picture would save as, written without that picture: rows are
    // drawn as they are written. NotImplemented for the formats that need it whole.
    // Page `page` of the file saved at the size `sizeOf` gives for its size, as decoding it
    // and SaveDrawnToFile would, read by bands as it is written.
    // NotImplemented for pages whose decoded frame would take fewer than `fromBytes`, and for
    // the pages and formats not written so; `streamed` says how it went.
    [[nodiscard]] GpStatus SaveFrameStreamed(uint32_t page, uint64_t fromBytes,
                                             const std::function<GpDrawnSize(uint32_t, uint32_t)>& sizeOf,
                                             const std::u16string& path, const GUID* encoderClsid,
                                             const EncoderParameters* parameters, GpStreamedFrame& streamed);
    [[nodiscard]] GpStatus SaveDrawnToFile(uint32_t width, uint32_t height, float dpiScale, const std::u16string& path,
                                           const GUID* encoderClsid, const EncoderParameters* parameters);
    [[nodiscard]] GpStatus SaveToFile(const std::u16string& path, const GUID* encoderClsid,
                        const EncoderParameters* parameters);
    [[nodiscard]] GpStatus AppendFrame(TGPImage* frameSource, const EncoderParameters* parameters);
    // Page `page` of `frameSource`, turned by `quarterTurns` quarters clockwise, added to the
    // file this image saves, or starting `path` with it when it saves none yet, read by bands
    // as it is written, never whole; for a TIFF or a PDF only. NotImplemented as for
    // SaveFrameStreamed; `streamed` says how it went.
    [[nodiscard]] GpStatus AppendFrameStreamed(TGPImage* frameSource, uint32_t page, uint64_t fromBytes, int quarterTurns,
                                               const std::u16string& path, const GUID* encoderClsid,
                                               const EncoderParameters* parameters, GpStreamedFrame& streamed);

    // What a file reports about its active frame; 0 (or a zero id) on failure.
    PixelFormat framePixelFormat();
    std::string frameWarning();
    // Why the file could not be opened, or its active frame decoded, in the codec library's
    // (or the system's) words; empty when it could, or when no reason was given.
    std::string failureReason();
    GUID rawFormat();
    // Orientation, reduced-resolution images, colour profile, resolution without unit.
    ImageFacts facts();
    float horizontalResolution();
    float verticalResolution();

    GpImage* NativeHandle = nullptr;
    GpStatus LastStatus = Ok;

protected:
    TGPImage() = default;
    GpStatus RecordStatus(GpStatus status);

private:
    std::string m_openFailure;
};

class TGPBitmap : public TGPImage {
public:
    TGPBitmap(int32_t width, int32_t height, PixelFormat format);

    // Dots per inch the bitmap carries into the files it is saved to.
    [[nodiscard]] GpStatus setResolution(float dpiX, float dpiY);
};

class TGPPen;
class TGPBrush;

class TGPGraphics : public TGdiplusBase {
public:
    explicit TGPGraphics(HDC deviceContext);
    explicit TGPGraphics(TGPImage* image);
    ~TGPGraphics() override;

    [[nodiscard]] GpStatus SetScalingMode(int32_t interpolationMode);
    [[nodiscard]] GpStatus FillSurface(ArgbColor color);
    [[nodiscard]] GpStatus PaintRectangle(TGPBrush* brush, int32_t x, int32_t y, int32_t width,
                            int32_t height);
    [[nodiscard]] GpStatus OutlineRectangle(TGPPen* pen, int32_t x, int32_t y, int32_t width, int32_t height);
    [[nodiscard]] GpStatus OutlineRectangle(TGPPen* pen, const PixelRect& rect);
    [[nodiscard]] GpStatus DrawImageAt(TGPImage* image, float x, float y, float width, float height);
    // Page `page` of `image` drawn whole into `destination` as it is read by bands;
    // NotImplemented as for TGPImage::SaveFrameStreamed.
    [[nodiscard]] GpStatus DrawPageStreamed(TGPImage* image, uint32_t page, uint64_t fromBytes,
                                            const PixelRect& destination, GpStreamedFrame& streamed);
    [[nodiscard]] GpStatus DrawImageScaled(TGPImage* image, const PixelRect& destination, int32_t sourceX,
                             int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight,
                             GpUnit sourceUnit, const GpImageAttributes* attributes = nullptr,
                             DrawImageAbort callback = nullptr, void* callbackData = nullptr);

    GpGraphics* NativeHandle = nullptr;
    GpStatus LastStatus = Ok;

private:
    GpStatus RecordStatus(GpStatus status);
};

class TGPPen : public TGdiplusBase {
public:
    TGPPen(ArgbColor color, float width);
    ~TGPPen() override;

    [[nodiscard]] GpStatus ChangeColor(ArgbColor color);

    GpPen* NativeHandle = nullptr;
    GpStatus LastStatus = Ok;

private:
    GpStatus RecordStatus(GpStatus status);
};

class TGPBrush : public TGdiplusBase {
public:
    TGPBrush(GpBrush* handle, GpStatus status);
    ~TGPBrush() override;

    // A platform copy of the brush, always as a plain TGPBrush; the caller owns it.
    virtual TGPBrush* Duplicate();

    GpBrush* NativeHandle = nullptr;
    GpStatus LastStatus = Ok;

protected:
    TGPBrush() = default;
    GpStatus RecordStatus(GpStatus status);
};

class TGPSolidBrush : public TGPBrush {
public:
    explicit TGPSolidBrush(ArgbColor color);
};


// The process-wide imaging session: opened once before any window exists, closed once after
// the event loop has returned.
class ImagingSession {
public:
    static void open();
    static void close();
    static bool isOpen();
    // Threads at work at once in the process, the caller's included; 0 goes back to the
    // default (ORVELLE_WORKERS, else the cores the process may run on).
    static void setWorkers(uint32_t count);
    static uint32_t workers();
    // The dots per inch PDF pages of text and drawings are drawn at; false, and unchanged,
    // outside 10 to 2400.
    static bool setPdfDrawResolution(double dpi);

private:
    static uintptr_t s_token;
    static GdiplusStartupInput s_input;
    static bool s_open;
};

}  // namespace orvelle
