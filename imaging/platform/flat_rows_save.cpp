// Saving a page a row at a time: drawn at another size as it is written, and read from its
// file by bands as it is written, so that neither the drawn page nor the decoded one is ever
// whole in memory. The files are those that drawing (or decoding) the page whole and saving
// it give, byte for byte; so are the thumbnails and drawings of pages read by bands.
#include <cstring>
#include <new>
#include <vector>

#include "encoder_parameters.h"
#include "handles.h"
#include "image_limits.h"
#include "scale_in_class.h"
#include "surface.h"

namespace gdip {
namespace {

// The formats that write rows as they come.
bool writesRows(codecs::EncoderKind kind) {
    return kind == codecs::EncoderKind::Png || kind == codecs::EncoderKind::Jpeg || kind == codecs::EncoderKind::Bmp ||
           kind == codecs::EncoderKind::Tiff;
}

// What a new 24-bit bitmap takes from `source` when the page is drawn onto it: its
// resolution as set in single precision, its facts as copied for a drawn page.
Frame drawnHeader(const Frame& source, uint32_t width, uint32_t height, REAL dpiScale) {
    Frame header;
    header.width = width;
    header.height = height;
    header.pixelClass = PixelClass::Rgb24;
    header.stride = rowStride(width, PixelClass::Rgb24);
    const REAL dpiX = static_cast<REAL>(source.dpiX), dpiY = static_cast<REAL>(source.dpiY);
    if (dpiX > 0 && dpiY > 0) {
        const REAL scaledX = dpiX * dpiScale, scaledY = dpiY * dpiScale;
        if (scaledX > 0 && scaledY > 0 && scaledX <= Limits::kMaxResolutionDpi && scaledY <= Limits::kMaxResolutionDpi) {
            header.dpiX = scaledX;
            header.dpiY = scaledY;
        }
    }
    header.meta = source.meta;
    header.meta.orientation = 1;
    header.meta.aspectX *= dpiScale;
    header.meta.aspectY *= dpiScale;
    return header;
}

// The checks both saves make first; Ok with the encoder's kind and the request read.
GpStatus checkRowsSave(GpImage* image, UINT width, UINT height, REAL dpiScale, const char16_t* filename,
                       const GUID* clsidEncoder, const EncoderParameters* encoderParams, codecs::EncoderKind& kind,
                       SaveRequest& request) {
    if (!image || !filename || !*filename || width == 0 || height == 0 || !(dpiScale > 0)) return InvalidParameter;
    if (image->multiFrameSave) return WrongState;
    const std::optional<codecs::EncoderKind> found = clsidEncoder ? encoderKindOf(clsidEncoder) : std::nullopt;
    if (!found) return FileNotFound;  // no encoder of that class
    if (!writesRows(*found)) return NotImplemented;
    if (width > Limits::kMaxSide || height > Limits::kMaxSide) return ValueOverflow;
    kind = *found;
    return readParameters(encoderParams, request);
}

// Frame `frameIndex` read by bands, when it is a page read so whose decoded frame would take
// `fromBytes` or more, turned by `quarterTurns`; NotImplemented otherwise, and for a page
// whose header cannot be read (decoding it whole says why).
GpStatus largeFrameRows(GpImage* image, UINT frameIndex, uint64_t fromBytes, codecs::FrameRows& source,
                        int quarterTurns) {
    if (!image->decoder || frameIndex >= image->frameCount) return NotImplemented;
    return image->decoder->readFrameRows(frameIndex, source, fromBytes, quarterTurns) == Ok ? Ok : NotImplemented;
}

// `use` on the rows of frame `frameIndex` when it is a large page read by bands (see
// largeFrameRows), and `result` told what became of the page: GenericError when one of its
// rows could not be read.
GpStatus useLargeFrame(GpImage* image, UINT frameIndex, uint64_t fromBytes, GpStreamedFrame& result,
                       const std::function<GpStatus(const codecs::FrameRows&)>& use, int quarterTurns = 0) {
    result = GpStreamedFrame{};
    try {
        codecs::FrameRows source;
        if (const GpStatus status = largeFrameRows(image, frameIndex, fromBytes, source, quarterTurns); status != Ok)
            return status;
        if (const GpStatus status = use(source); status != Ok) return status;
        const Frame& page = source.header;
        result.width = page.width;
        result.height = page.height;
        if (std::string why = source.failure(); !why.empty()) {
            result.failure = std::move(why);
            return GenericError;
        }
        result.warning = page.warning;
        result.facts = factsOfFrame(page, image->decoder->reducedImages());
        return Ok;
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
}

}  // namespace

GpStatus GdipSaveImageDrawnToFile(GpImage* image, UINT width, UINT height, REAL dpiScale, const char16_t* filename,
                                  const GUID* clsidEncoder, const EncoderParameters* encoderParams) {
    if (image && image->frame.empty()) return WrongState;
    codecs::EncoderKind kind{};
    SaveRequest request;
    if (const GpStatus status =
            checkRowsSave(image, width, height, dpiScale, filename, clsidEncoder, encoderParams, kind, request);
        status != Ok)
        return status;
    const Frame& source = image->frame;
    try {
        const Frame header = drawnHeader(source, width, height, dpiScale);
        const IntRect whole{0, 0, source.width, source.height};
        const PictureRows rows{&header, [&](uint32_t y, uint8_t* scratch) {
            // The row alone as a surface: the page is drawn shifted up so that row `y` lands on it.
            std::memset(scratch, 0, header.stride);
            Surface line{scratch, static_cast<int32_t>(width), 1, header.stride, Surface::Kind::Rgb24};
            drawFrame(line, source, whole, {0, -int64_t{y}, width, height}, InterpolationModeNearestNeighbor);
            return static_cast<const uint8_t*>(scratch);
        }};
        std::unique_ptr<MultiFrameSave> save;
        const GpStatus status = saveOnePicture(
            filename, kind, request, [&](codecs::Encoder& encoder) { return encoder.addRows(rows); }, save);
        return status == Ok ? save->complete() : status;
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
}

GpStatus GdipSaveFrameStreamedToFile(GpImage* image, UINT frameIndex, uint64_t fromBytes,
                                     const std::function<GpDrawnSize(UINT, UINT)>& sizeOf,
                                     const char16_t* filename, const GUID* clsidEncoder,
                                     const EncoderParameters* encoderParams, GpStreamedFrame* result) {
    if (!result || !sizeOf) return InvalidParameter;
    *result = GpStreamedFrame{};
    codecs::EncoderKind kind{};
    SaveRequest request;
    // The format is checked before the page is read: one that is not written so costs nothing.
    if (const GpStatus status = checkRowsSave(image, 1, 1, 1, filename, clsidEncoder, encoderParams, kind, request);
        status != Ok)
        return status;
    std::unique_ptr<MultiFrameSave> save;
    const GpStatus status = useLargeFrame(image, frameIndex, fromBytes, *result, [&](const codecs::FrameRows& source) {
        const Frame& page = source.header;
        const GpDrawnSize size = sizeOf(page.width, page.height);
        const UINT width = size.width, height = size.height;
        const REAL dpiScale = size.dpiScale;
        if (const GpStatus status =
                checkRowsSave(image, width, height, dpiScale, filename, clsidEncoder, encoderParams, kind, request);
            status != Ok)
            return status;
        // Drawn, each pixel is the stored one under its centre. A 24-bit page at its own size
        // is written as decoded; any other class is drawn, as a whole page of it is, except
        // into PNG, which writes a decoded page's palette itself.
        const bool ownSize = width == page.width && height == page.height && dpiScale == 1.0f;
        const bool asDecoded = ownSize && page.pixelClass == PixelClass::Rgb24;
        if (!frameOpaque(page) || (ownSize && !asDecoded && kind == codecs::EncoderKind::Png)) return NotImplemented;
        const Frame header = asDecoded ? Frame{} : drawnHeader(page, width, height, dpiScale);
        std::vector<uint32_t> columns(asDecoded ? 0 : width);
        for (uint32_t x = 0; x < columns.size(); ++x)
            columns[x] = nearestSource(x, page.width, width);
        const PictureRows drawn{&header, [&](uint32_t y, uint8_t* scratch) {
            const uint32_t from = nearestSource(y, page.height, height);
            thread_local std::vector<uint8_t> stored;
            thread_local std::vector<ARGB> pixels;
            stored.resize(page.stride);
            const uint8_t* row = source.rows.row(from, stored.data());
            if (page.pixelClass == PixelClass::Rgb24) {
                for (uint32_t x = 0; x < width; ++x) std::memcpy(scratch + 3 * x, row + 3 * size_t{columns[x]}, 3);
                return static_cast<const uint8_t*>(scratch);
            }
            pixels.resize(width);
            gatherArgb(page, row, columns, pixels.data());
            for (uint32_t x = 0; x < width; ++x) {
                scratch[3 * x] = static_cast<uint8_t>(pixels[x]);
                scratch[3 * x + 1] = static_cast<uint8_t>(pixels[x] >> 8);
                scratch[3 * x + 2] = static_cast<uint8_t>(pixels[x] >> 16);
            }
            return static_cast<const uint8_t*>(scratch);
        }};
        const PictureRows& rows = asDecoded ? source.rows : drawn;
        return saveOnePicture(
            filename, kind, request, [&](codecs::Encoder& encoder) { return encoder.addRows(rows); }, save);
    });
    // A row that could not be read fails the page; its file is dropped unfinished.
    return status == Ok ? save->complete() : status;
}

GpStatus GdipSaveAddFrameStreamed(GpImage* image, GpImage* source, UINT frameIndex, uint64_t fromBytes,
                                  INT quarterTurns, const char16_t* filename, const GUID* clsidEncoder,
                                  const EncoderParameters* encoderParams, GpStreamedFrame* result) {
    if (!image || !source || !result || !encoderParams) return InvalidParameter;
    *result = GpStreamedFrame{};
    SaveRequest request;
    if (const GpStatus status = readParameters(encoderParams, request); status != Ok) return status;
    MultiFrameSave* adding = image->multiFrameSave.get();
    codecs::EncoderKind kind{};
    if (adding) {
        if (request.saveFlag != EncoderValueFrameDimensionPage) return InvalidParameter;
        if (adding->broken) return adding->file.writeFailure();
    } else {
        if (!filename || !*filename) return InvalidParameter;
        const std::optional<codecs::EncoderKind> found = clsidEncoder ? encoderKindOf(clsidEncoder) : std::nullopt;
        if (!found) return FileNotFound;  // no encoder of that class
        kind = *found;
    }
    std::unique_ptr<MultiFrameSave> started;
    const GpStatus status = useLargeFrame(source, frameIndex, fromBytes, *result, [&](const codecs::FrameRows& page) {
        const auto intact = [&] { return page.failure().empty(); };
        const auto add = [&](codecs::Encoder& encoder) { return encoder.addPageRows(page.rows, intact); };
        const GpStatus added = adding ? adding->afterAdd(add(*adding->encoder))
                                      : saveOnePicture(filename, kind, request, add, started);
        if (added == GenericError) result->failure = page.failure();
        return added;
    }, quarterTurns);
    if (status != Ok || adding) return status;
    if (request.saveFlag == EncoderValueMultiFrame) {
        image->multiFrameSave = std::move(started);
        return Ok;
    }
    return started->complete();
}

GpStatus GdipDrawFrameStreamed(GpGraphics* graphics, GpImage* image, UINT frameIndex, uint64_t fromBytes, INT dstx,
                               INT dsty, INT dstwidth, INT dstheight, GpStreamedFrame* result) {
    if (!graphics || !image || !result || dstwidth <= 0 || dstheight <= 0) return InvalidParameter;
    return useLargeFrame(image, frameIndex, fromBytes, *result, [&](const codecs::FrameRows& source) {
        const Frame& page = source.header;
        drawFrame(graphics->surface, source.rows, {0, 0, page.width, page.height}, {dstx, dsty, dstwidth, dstheight},
                  graphics->mode);
        return Ok;
    });
}

GpStatus GdipGetFrameThumbnailStreamed(GpImage* image, UINT frameIndex, uint64_t fromBytes,
                                       const std::function<GpDrawnSize(UINT, UINT)>& sizeOf, GpImage** thumbnail,
                                       GpStreamedFrame* result) {
    if (!image || !thumbnail || !result || !sizeOf) return InvalidParameter;
    *thumbnail = nullptr;
    try {
        auto made = std::make_unique<GpImage>();
        made->rawFormat = ImageFormatMemoryBMP;
        made->dimension = FrameDimensionPage;
        const GpStatus status = useLargeFrame(image, frameIndex, fromBytes, *result, [&](const codecs::FrameRows& source) {
            const GpDrawnSize size = sizeOf(source.header.width, source.header.height);
            return areaAverage(source.rows, size.width, size.height, made->frame);
        });
        if (status == Ok) *thumbnail = made.release();
        return status;
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
}

}  // namespace gdip
