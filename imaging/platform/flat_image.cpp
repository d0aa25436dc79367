// Images: decoding, frame selection, sizes, thumbnails and in-memory bitmaps.
#include <cstring>
#include <new>
#include <string>

#include "handles.h"
#include "image_limits.h"
#include "ink_share.h"
#include "orientation.h"
#include "scale_in_class.h"
#include "text_utf8.h"

namespace gdip {
namespace {

// Whether the one page of `decoder`'s file is one written by bands: its frame as read by
// bands would take GdipBandedFromBytes or more.
bool readByBands(codecs::Decoder& decoder) {
    codecs::FrameRows rows;
    return decoder.readFrameRows(0, rows, GdipBandedFromBytes) == Ok;
}

// `open(status, reason)` gives the decoder of the picture to load.
template <typename Open>
GpStatus loadImage(GpImage** image, std::string* reason, Open open, bool deferred = false) {
    std::string ignored;
    if (!reason) reason = &ignored;
    reason->clear();
    if (!sessionOpen()) return GdiplusNotInitialized;
    try {
        GpStatus status = Ok;
        auto decoder = open(status, *reason);
        if (!decoder) return status == Ok ? UnknownImageFormat : status;
        auto result = std::make_unique<GpImage>();
        result->rawFormat = decoder->rawFormat();
        result->dimension = decoder->frameDimension();
        result->frameCount = decoder->frameCount();
        if (result->frameCount == 0) return UnknownImageFormat;
        uint32_t width = 0, height = 0;
        if (deferred && decoder->frameSize(0, width, height) &&
            (result->frameCount > 1 || readByBands(*decoder))) {
            result->frameStatus = WrongState;  // no page decoded yet
            result->decoder = std::move(decoder);
            *image = result.release();
            return Ok;
        }
        status = decoder->readFrame(0, result->frame);
        // A document whose first page is damaged still has its other pages: it opens, and
        // that page reads as 0 x 0 with its failure, like any other damaged page. So does a
        // picture too large to be held whole that is written by bands when it is deferred.
        codecs::FrameRows byBands;
        if (status != Ok && result->frameCount == 1 &&
            !(deferred && status != GenericError && decoder->readFrameRows(0, byBands) == Ok)) {
            *reason = result->frame.failure;
            return status;
        }
        result->frameStatus = status;
        result->decoder = std::move(decoder);
        *image = result.release();
        return Ok;
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
}

}  // namespace

GpStatus GdipLoadImageFromFileExplained(const char16_t* filename, GpImage** image, std::string* reason) {
    if (!image) return InvalidParameter;
    *image = nullptr;
    if (!filename || !*filename) return InvalidParameter;
    return loadImage(image, reason, [filename](GpStatus& status, std::string& why) {
        return codecs::openDecoder(utf8FromUtf16(filename), status, why);
    });
}

GpStatus GdipLoadImageFromFileDeferred(const char16_t* filename, GpImage** image, std::string* reason) {
    if (!image) return InvalidParameter;
    *image = nullptr;
    if (!filename || !*filename) return InvalidParameter;
    return loadImage(
        image, reason,
        [filename](GpStatus& status, std::string& why) { return codecs::openDecoder(utf8FromUtf16(filename), status, why); },
        true);
}

GpStatus GdipGetFrameSize(GpImage* image, UINT frameIndex, UINT* width, UINT* height) {
    if (!image || !width || !height || frameIndex >= image->frameCount) return InvalidParameter;
    if (frameIndex == image->activeFrame && !image->frame.empty()) {
        *width = image->frame.width;
        *height = image->frame.height;
        return Ok;
    }
    if (!image->decoder || !image->decoder->frameSize(frameIndex, *width, *height)) return InvalidParameter;
    return Ok;
}

GpStatus GdipLoadImageFromFile(const char16_t* filename, GpImage** image) {
    return GdipLoadImageFromFileExplained(filename, image, nullptr);
}

// Colour management is not applied: pixels are delivered as stored.
GpStatus GdipLoadImageFromFileICM(const char16_t* filename, GpImage** image) {
    return GdipLoadImageFromFileExplained(filename, image, nullptr);
}

GpStatus GdipLoadImageFromBytes(const void* bytes, size_t size, GpImage** image) {
    if (!image) return InvalidParameter;
    *image = nullptr;
    if (!bytes || size == 0) return InvalidParameter;
    return loadImage(image, nullptr, [bytes, size](GpStatus& status, std::string& why) {
        return codecs::openDecoderOfBytes(static_cast<const uint8_t*>(bytes), size, status, why);
    });
}

GpStatus GdipGetImageWidth(GpImage* image, UINT* width) {
    if (!width) return InvalidParameter;
    if (const GpStatus status = checkFrame(image); status != Ok) return status;
    *width = image->frame.width;
    return Ok;
}

GpStatus GdipGetImageHeight(GpImage* image, UINT* height) {
    if (!height) return InvalidParameter;
    if (const GpStatus status = checkFrame(image); status != Ok) return status;
    *height = image->frame.height;
    return Ok;
}

GpStatus GdipGetImagePixelFormat(GpImage* image, PixelFormat* format) {
    if (!format) return InvalidParameter;
    if (const GpStatus status = checkFrame(image); status != Ok) return status;
    *format = pixelFormatOf(image->frame.pixelClass);
    return Ok;
}

GpStatus GdipGetFrameWarning(GpImage* image, std::string* warning) {
    if (!warning) return InvalidParameter;
    if (const GpStatus status = checkFrame(image); status != Ok) return status;
    *warning = image->frame.warning;
    return Ok;
}

GpStatus GdipGetFrameFailure(GpImage* image, std::string* failure) {
    if (!image || !failure) return InvalidParameter;
    *failure = image->frame.failure;
    return Ok;
}

ImageFacts factsOfFrame(const Frame& frame, UINT reducedImages) {
    const PageMetadata& meta = frame.meta;
    ImageFacts facts;
    facts.orientation = meta.orientation;
    facts.reducedImages = reducedImages;
    facts.aspectX = static_cast<REAL>(meta.aspectX);
    facts.aspectY = static_cast<REAL>(meta.aspectY);
    facts.rendered = frame.rendered;
    facts.textLeftOut = frame.textLeftOut;
    if (meta.iccProfile.size() >= 20) {
        facts.profileBytes = static_cast<UINT>(meta.iccProfile.size());
        std::memcpy(facts.profileSpace, meta.iccProfile.data() + 16, 4);
    }
    return facts;
}

GpStatus GdipGetImageFacts(GpImage* image, ImageFacts* facts) {
    if (!facts) return InvalidParameter;
    if (const GpStatus status = checkFrame(image); status != Ok) return status;
    *facts = factsOfFrame(image->frame, image->decoder ? image->decoder->reducedImages() : 0);
    return Ok;
}

GpStatus GdipCopyImageMetadata(GpImage* from, GpImage* to, REAL scale) {
    if (!to || !(scale > 0)) return InvalidParameter;
    if (const GpStatus status = checkFrame(from); status != Ok) return status;
    if (from == to) return Ok;
    try {
        to->frame.meta = from->frame.meta;
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
    to->frame.meta.orientation = 1;  // the copy is drawn from the upright frame
    to->frame.meta.aspectX *= scale;
    to->frame.meta.aspectY *= scale;
    return Ok;
}

GpStatus GdipGetImageRawFormat(GpImage* image, GUID* format) {
    if (!image || !format) return InvalidParameter;
    *format = image->rawFormat;
    return Ok;
}

GpStatus GdipGetImageHorizontalResolution(GpImage* image, REAL* resolution) {
    if (!resolution) return InvalidParameter;
    if (const GpStatus status = checkFrame(image); status != Ok) return status;
    *resolution = static_cast<REAL>(image->frame.dpiX);
    return Ok;
}

GpStatus GdipGetImageVerticalResolution(GpImage* image, REAL* resolution) {
    if (!resolution) return InvalidParameter;
    if (const GpStatus status = checkFrame(image); status != Ok) return status;
    *resolution = static_cast<REAL>(image->frame.dpiY);
    return Ok;
}

GpStatus GdipImageGetFrameDimensionsCount(GpImage* image, UINT* count) {
    if (!image || !count) return InvalidParameter;
    *count = 1;
    return Ok;
}

GpStatus GdipImageGetFrameDimensionsList(GpImage* image, GUID* dimensionIDs, UINT count) {
    if (!image || !dimensionIDs || count != 1) return InvalidParameter;
    dimensionIDs[0] = image->dimension;
    return Ok;
}

GpStatus GdipImageGetFrameCount(GpImage* image, const GUID* dimensionID, UINT* count) {
    if (!image || !dimensionID || !count) return InvalidParameter;
    if (*dimensionID != image->dimension) return InvalidParameter;
    *count = image->frameCount;
    return Ok;
}

GpStatus GdipImageSelectActiveFrame(GpImage* image, const GUID* dimensionID, UINT frameIndex) {
    if (!image || !dimensionID) return InvalidParameter;
    if (*dimensionID != image->dimension || frameIndex >= image->frameCount)
        return InvalidParameter;
    if (frameIndex == image->activeFrame && !image->frame.empty()) return Ok;
    if (!image->decoder) return InvalidParameter;
    // The decoder releases the previous frame before it decodes (or composes the next
    // animation frame in place on it), so a long document holds at most this page and the
    // one the decoder reads ahead.
    image->activeFrame = frameIndex;
    try {
        image->frameStatus = image->decoder->readFrame(frameIndex, image->frame);
    } catch (const std::bad_alloc&) {
        image->frame = Frame{};
        image->frameStatus = OutOfMemory;
    }
    return image->frameStatus;
}

GpStatus GdipImageReleaseFrame(GpImage* image) {
    if (!image || !image->decoder) return InvalidParameter;
    image->frame = Frame{};
    image->frameStatus = Ok;
    return Ok;
}

GpStatus GdipImageRotateFlip(GpImage* image, RotateFlipType type) {
    if (type < RotateNoneFlipNone || type > Rotate270FlipNone) return NotImplemented;
    if (const GpStatus status = checkFrame(image); status != Ok) return status;
    try {
        return turnFrame(image->frame, static_cast<int>(type));
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
}

GpStatus GdipGetImageInkShare(GpImage* image, REAL* darkShare, uint8_t* paper) {
    if (!darkShare || !paper) return InvalidParameter;
    if (const GpStatus status = checkFrame(image); status != Ok) return status;
    const InkShare share = measureInk(image->frame);
    *darkShare = static_cast<REAL>(share.dark);
    *paper = share.paper;
    return Ok;
}

GpStatus GdipGetImageThumbnail(GpImage* image, UINT thumbWidth, UINT thumbHeight,
                               GpImage** thumbImage, GetThumbnailImageAbort, void*) {
    if (!thumbImage) return InvalidParameter;
    *thumbImage = nullptr;
    if (const GpStatus status = checkFrame(image); status != Ok) return status;
    if (thumbWidth == 0 || thumbHeight == 0) return InvalidParameter;
    try {
        auto result = std::make_unique<GpImage>();
        result->rawFormat = ImageFormatMemoryBMP;
        result->dimension = FrameDimensionPage;
        const GpStatus status = areaAverage(image->frame, thumbWidth, thumbHeight, result->frame);
        if (status != Ok) return status;
        *thumbImage = result.release();
        return Ok;
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
}

GpStatus GdipScaleImageInClass(GpImage* image, UINT width, UINT height, REAL dpiScale, GpImage** scaled) {
    if (!scaled) return InvalidParameter;
    *scaled = nullptr;
    if (const GpStatus status = checkFrame(image); status != Ok) return status;
    try {
        auto result = std::make_unique<GpImage>();
        result->rawFormat = ImageFormatMemoryBMP;
        result->dimension = FrameDimensionPage;
        const GpStatus status = scaleInClass(image->frame, width, height, dpiScale, result->frame);
        if (status != Ok) return status;
        *scaled = result.release();
        return Ok;
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
}

bool GdipPictureSizeAllowed(uint64_t width, uint64_t height, PixelFormat format) {
    switch (format) {
        case PixelFormat1bppIndexed: return frameAllowed(width, height, PixelClass::Indexed1);
        case PixelFormat8bppIndexed: return frameAllowed(width, height, PixelClass::Indexed8);
        case PixelFormat32bppARGB: return frameAllowed(width, height, PixelClass::Argb32);
        default: return frameAllowed(width, height, PixelClass::Rgb24);
    }
}

GpStatus GdipCreateBitmapFromScan0(INT width, INT height, INT stride, PixelFormat format,
                                   uint8_t* scan0, GpBitmap** bitmap) {
    if (!bitmap) return InvalidParameter;
    *bitmap = nullptr;
    if (!sessionOpen()) return GdiplusNotInitialized;
    if (width <= 0 || height <= 0 || stride != 0 || scan0 != nullptr) return InvalidParameter;
    PixelClass pixelClass;
    switch (format) {
        case PixelFormat24bppRGB: pixelClass = PixelClass::Rgb24; break;
        case PixelFormat32bppARGB: pixelClass = PixelClass::Argb32; break;
        case PixelFormat8bppIndexed: pixelClass = PixelClass::Indexed8; break;
        case PixelFormat1bppIndexed: pixelClass = PixelClass::Indexed1; break;
        default: return InvalidParameter;
    }
    if (!frameSizeAllowed(static_cast<uint64_t>(width), static_cast<uint64_t>(height)))
        return InvalidParameter;
    try {
        auto result = std::make_unique<GpImage>();
        result->rawFormat = ImageFormatMemoryBMP;
        result->dimension = FrameDimensionPage;
        const GpStatus status = allocateFrame(result->frame, static_cast<uint32_t>(width),
                                              static_cast<uint32_t>(height), pixelClass);
        if (status != Ok) return status;
        if (pixelClass == PixelClass::Indexed8) result->frame.palette = greyPalette(8);
        if (pixelClass == PixelClass::Indexed1) result->frame.palette = greyPalette(1);
        *bitmap = result.release();
        return Ok;
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
}

GpStatus GdipBitmapGetPixel(GpBitmap* bitmap, INT x, INT y, ARGB* color) {
    if (!color) return InvalidParameter;
    if (const GpStatus status = checkFrame(bitmap); status != Ok) return status;
    if (x < 0 || y < 0 || static_cast<UINT>(x) >= bitmap->frame.width ||
        static_cast<UINT>(y) >= bitmap->frame.height)
        return InvalidParameter;
    *color = pixelAt(bitmap->frame, static_cast<uint32_t>(x), static_cast<uint32_t>(y));
    return Ok;
}

}  // namespace gdip
