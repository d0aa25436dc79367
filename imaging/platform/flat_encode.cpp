// Encoders: the list callers look encoders up in, and saving single pictures and
// multi-frame TIFF files.
#include <cstring>
#include <new>
#include <string>

#include "encoder_parameters.h"
#include "handles.h"
#include "image_limits.h"
#include "text_utf8.h"

namespace gdip {

const GUID EncoderQuality = {0x1D5BE4B5, 0xFA4A, 0x452D,
                             {0x9C, 0xDD, 0x5D, 0xB3, 0x51, 0x05, 0xE7, 0xEB}};
const GUID EncoderSaveFlag = {0x292266FC, 0xAC40, 0x47BF,
                              {0x8C, 0xFC, 0xA8, 0x5B, 0x89, 0xA6, 0x55, 0xDE}};

const GUID EncoderCompression = {0xE09D739D, 0xCCD4, 0x44EE,
                                 {0x8E, 0xBA, 0x3F, 0xBF, 0x8B, 0xE4, 0xFC, 0x58}};

const GUID EncoderColorDepth = {0x66087055, 0xAD66, 0x4C7C,
                                {0x9A, 0x18, 0x38, 0xA2, 0x31, 0x0B, 0x83, 0x37}};

const GUID EncoderBigTiff = {0x6F72766C, 0x6C65, 0x4249,
                             {0x47, 0x54, 0x49, 0x46, 0x46, 0x00, 0x00, 0x01}};
const GUID EncoderPdfDpi = {0x6F72766C, 0x6C65, 0x5044,
                            {0x46, 0x44, 0x50, 0x49, 0x00, 0x00, 0x00, 0x01}};

namespace {

struct EncoderEntry {
    codecs::EncoderKind kind;
    GUID clsid;
    const GUID* format;
    const char16_t* name;
    const char16_t* extensions;
    const char16_t* mimeType;
};

constexpr GUID encoderClsid(uint32_t first) {
    return {first, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
}

const EncoderEntry kEncoders[] = {
    {codecs::EncoderKind::Bmp, encoderClsid(0x557CF400), &ImageFormatBMP, u"Built-in BMP Codec",
     u"*.BMP;*.DIB;*.RLE", u"image/bmp"},
    {codecs::EncoderKind::Jpeg, encoderClsid(0x557CF401), &ImageFormatJPEG,
     u"Built-in JPEG Codec", u"*.JPG;*.JPEG;*.JPE;*.JFIF", u"image/jpeg"},
    {codecs::EncoderKind::Gif, encoderClsid(0x557CF402), &ImageFormatGIF, u"Built-in GIF Codec",
     u"*.GIF", u"image/gif"},
    {codecs::EncoderKind::Tiff, encoderClsid(0x557CF405), &ImageFormatTIFF,
     u"Built-in TIFF Codec", u"*.TIF;*.TIFF", u"image/tiff"},
    {codecs::EncoderKind::Png, encoderClsid(0x557CF406), &ImageFormatPNG, u"Built-in PNG Codec",
     u"*.PNG", u"image/png"},
    {codecs::EncoderKind::Pdf, encoderClsid(0x557CF4F0), &ImageFormatPDF, u"Built-in PDF Codec",
     u"*.PDF", u"application/pdf"},
};
constexpr UINT kEncoderCount = sizeof(kEncoders) / sizeof(kEncoders[0]);

size_t stringBytes(const char16_t* text) {
    return (std::char_traits<char16_t>::length(text) + 1) * sizeof(char16_t);
}

size_t encoderListBytes() {
    size_t bytes = sizeof(ImageCodecInfo) * kEncoderCount;
    for (const EncoderEntry& e : kEncoders)
        bytes += stringBytes(e.name) + stringBytes(e.extensions) + stringBytes(e.mimeType);
    return bytes;
}

const EncoderEntry* encoderFor(const GUID* clsid) {
    if (!clsid) return nullptr;
    for (const EncoderEntry& e : kEncoders)
        if (e.clsid == *clsid) return &e;
    return nullptr;
}

}  // namespace

std::optional<codecs::EncoderKind> encoderKindOf(const GUID* clsid) {
    if (!clsid) return codecs::EncoderKind::Tiff;
    if (const EncoderEntry* entry = encoderFor(clsid)) return entry->kind;
    return std::nullopt;
}

GpStatus readParameters(const EncoderParameters* parameters, SaveRequest& request) {
    if (!parameters) return Ok;
    if (parameters->Count > 64) return InvalidParameter;
    for (uint32_t i = 0; i < parameters->Count; ++i) {
        const EncoderParameter& p = parameters->Parameter[i];
        if (p.Type != EncoderParameterValueTypeLong || p.NumberOfValues < 1 || !p.Value) continue;
        const uint32_t value = *static_cast<const uint32_t*>(p.Value);
        if (p.Guid == EncoderQuality) {
            if (value > 100) return InvalidParameter;
            request.options.quality = static_cast<int>(value);
        } else if (p.Guid == EncoderSaveFlag) {
            request.saveFlag = value;
        } else if (p.Guid == EncoderPdfDpi) {
            if (value < 1 || value > Limits::kMaxResolutionDpi) return InvalidParameter;
            request.options.pdfDpi = value;
        } else if (p.Guid == EncoderBigTiff) {
            request.options.bigTiff = value == 1;
        } else if (p.Guid == EncoderColorDepth) {
            request.options.expandIndexedTo24 = value == 24;
        } else if (p.Guid == EncoderCompression) {
            switch (value) {
                case EncoderValueCompressionLZW: request.options.tiffCompression = codecs::TiffCompression::Lzw; break;
                case EncoderValueCompressionCCITT4: request.options.tiffCompression = codecs::TiffCompression::G4; break;
                case EncoderValueCompressionDeflate: request.options.tiffCompression = codecs::TiffCompression::Deflate; break;
                case EncoderValueCompressionAuto: request.options.tiffCompression = codecs::TiffCompression::Auto; break;
                default: return InvalidParameter;
            }
        }
    }
    return Ok;
}

namespace {

GpStatus completeMultiFrameSave(GpImage* image) {
    std::unique_ptr<MultiFrameSave> save = std::move(image->multiFrameSave);
    return save ? save->complete() : Ok;
}
}  // namespace

GpStatus GdipGetImageEncodersSize(UINT* numEncoders, UINT* size) {
    if (!numEncoders || !size) return InvalidParameter;
    *numEncoders = kEncoderCount;
    *size = static_cast<UINT>(encoderListBytes());
    return Ok;
}

GpStatus GdipGetImageEncoders(UINT numEncoders, UINT size, ImageCodecInfo* encoders) {
    if (!encoders || numEncoders != kEncoderCount || size < encoderListBytes())
        return InvalidParameter;
    auto* strings = reinterpret_cast<uint8_t*>(encoders + kEncoderCount);
    auto place = [&](const char16_t* text) {
        const size_t bytes = stringBytes(text);
        std::memcpy(strings, text, bytes);
        const auto* placed = reinterpret_cast<const char16_t*>(strings);
        strings += bytes;
        return placed;
    };
    for (UINT i = 0; i < kEncoderCount; ++i) {
        const EncoderEntry& e = kEncoders[i];
        ImageCodecInfo& info = encoders[i];
        info = ImageCodecInfo{};
        info.Clsid = e.clsid;
        info.FormatID = *e.format;
        info.CodecName = place(e.name);
        info.FilenameExtension = place(e.extensions);
        info.MimeType = place(e.mimeType);
        info.Flags = 0x00010007;  // encoder, decoder, supports bitmaps, built in
        info.Version = 1;
    }
    return Ok;
}

GpStatus saveOnePicture(const char16_t* filename, codecs::EncoderKind kind, const SaveRequest& request,
                        const std::function<GpStatus(codecs::Encoder&)>& add, std::unique_ptr<MultiFrameSave>& save) {
    save = std::make_unique<MultiFrameSave>();
    GpStatus status = save->file.create(utf8FromUtf16(filename));
    if (status != Ok) return status;
    save->encoder = codecs::createEncoder(kind, save->file.stream(), request.options, status);
    if (!save->encoder) return status;
    status = add(*save->encoder);
    if (status == Win32Error) return save->file.writeFailure();
    return status;  // when not Ok, the unfinished file goes with `save`
}

GpStatus GdipSaveImageToFile(GpImage* image, const char16_t* filename, const GUID* clsidEncoder,
                             const EncoderParameters* encoderParams) {
    if (!image || !filename || !*filename) return InvalidParameter;
    if (image->frame.empty()) return WrongState;
    if (image->multiFrameSave) return WrongState;
    const EncoderEntry* entry = encoderFor(clsidEncoder);
    if (!entry) return FileNotFound;  // no encoder of that class
    SaveRequest request;
    if (const GpStatus status = readParameters(encoderParams, request); status != Ok) return status;
    try {
        std::unique_ptr<MultiFrameSave> save;
        const GpStatus status = saveOnePicture(
            filename, entry->kind, request, [&](codecs::Encoder& encoder) { return encoder.addFrame(image->frame); }, save);
        if (status != Ok) return status;
        const bool multiPage = entry->kind == codecs::EncoderKind::Tiff || entry->kind == codecs::EncoderKind::Pdf;
        if (multiPage && request.saveFlag == EncoderValueMultiFrame) {
            image->multiFrameSave = std::move(save);
            return Ok;
        }
        return save->complete();
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
}

GpStatus GdipSaveAddImage(GpImage* image, GpImage* newImage,
                          const EncoderParameters* encoderParams) {
    if (!image || !newImage || !encoderParams) return InvalidParameter;
    SaveRequest request;
    if (const GpStatus status = readParameters(encoderParams, request); status != Ok) return status;
    if (!image->multiFrameSave) return WrongState;
    if (request.saveFlag == EncoderValueFlush) return completeMultiFrameSave(image);
    if (request.saveFlag != EncoderValueFrameDimensionPage) return InvalidParameter;
    if (newImage->frame.empty()) return WrongState;
    MultiFrameSave& save = *image->multiFrameSave;
    if (save.broken) return save.file.writeFailure();
    try {
        return save.afterAdd(save.encoder->addFrame(newImage->frame));
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
}

GpStatus GdipBeginOutputBatch() {
    if (!sessionOpen()) return GdiplusNotInitialized;
    return codecs::OutputBatch::open() ? Ok : WrongState;
}

GpStatus GdipSettleOutputBatch(std::vector<GpUnnamedOutput>* unnamed) {
    if (!unnamed) return InvalidParameter;
    unnamed->clear();
    try {
        for (const codecs::OutputBatch::Failure& failure : codecs::OutputBatch::settle())
            unnamed->push_back({failure.destination, failure.status});
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
    return Ok;
}

GpStatus MultiFrameSave::afterAdd(GpStatus status) {
    // A large file's pages start for the disk as they are added.
    if (status == Ok) file.startWriteBack();
    if (status != Win32Error) return status;
    broken = true;
    if (failure.empty()) failure = encoder->failureReason();
    return file.writeFailure();
}

GpStatus MultiFrameSave::complete() {
    GpStatus status = broken ? Win32Error : encoder->finish();
    if (status != Ok && failure.empty()) failure = encoder->failureReason();
    encoder.reset();
    if (status == Win32Error) status = file.writeFailure();
    if (status == Ok) return file.commit();
    file.abandon();
    return status;
}

GpStatus GdipBitmapSetResolution(GpBitmap* bitmap, REAL xdpi, REAL ydpi) {
    if (!bitmap || !(xdpi > 0) || !(ydpi > 0) || xdpi > Limits::kMaxResolutionDpi || ydpi > Limits::kMaxResolutionDpi)
        return InvalidParameter;
    bitmap->frame.dpiX = xdpi;
    bitmap->frame.dpiY = ydpi;
    return Ok;
}

// A multi-frame file is completed only by an explicit flush, whose status the caller sees.
// Disposing an image whose file was never flushed abandons that file: the writer stopped
// early (an error, an exception), and an existing file of that name must stay as it was.
GpStatus GdipDisposeImage(GpImage* image) {
    if (!image) return InvalidParameter;
    delete image;  // the encoder goes first, then its temporary file (see MultiFrameSave)
    return Ok;
}

}  // namespace gdip
