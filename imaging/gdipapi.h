// The flat imaging interface as the object layer sees it, the colour and rectangle values
// every drawing caller shares, and the base class whose storage comes from the imaging
// library's own allocator.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/gdiplus_flat.h"

namespace orvelle {

// The flat interface's vocabulary that callers of the object layer use, named one by one.
using gdip::GpStatus;
using enum gdip::GpStatus;
using gdip::GUID;
using gdip::ARGB;
using gdip::PixelFormat;
using gdip::REAL;
using gdip::INT;
using gdip::UINT;
using gdip::PixelFormat1bppIndexed;
using gdip::PixelFormat8bppIndexed;
using gdip::PixelFormat24bppRGB;
using gdip::PixelFormat32bppRGB;
using gdip::PixelFormat32bppARGB;
using gdip::InterpolationMode;
using enum gdip::InterpolationMode;
using gdip::GpUnit;
using enum gdip::GpUnit;
using gdip::FrameDimensionPage;
using gdip::FrameDimensionResolution;
using gdip::FrameDimensionTime;
using gdip::ImageFormatBMP;
using gdip::ImageFormatGIF;
using gdip::ImageFormatJPEG;
using gdip::ImageFormatMemoryBMP;
using gdip::ImageFormatPNG;
using gdip::ImageFormatTIFF;
using gdip::ImageFormatPDF;
using gdip::GpBitmap;
using gdip::GpBrush;
using gdip::GpGraphics;
using gdip::GpImage;
using gdip::GpStoredPageWriter;
using gdip::GpPageSource;
using gdip::ImageFacts;
using gdip::PageText;
using gdip::FrameText;
using gdip::TextWord;
using gdip::GpStreamedFrame;
using gdip::GpDrawnSize;
using gdip::GpImageAttributes;
using gdip::GpPen;
using gdip::DrawImageAbort;
using gdip::GetThumbnailImageAbort;
using gdip::GdiplusStartupInput;
using gdip::HDC;
using gdip::HDC__;
using gdip::EncoderParameter;
using gdip::EncoderParameters;
using gdip::EncoderParameterValueTypeLong;
using gdip::EncoderQuality;
using gdip::EncoderSaveFlag;
using gdip::EncoderCompression;
using gdip::EncoderBigTiff;
using gdip::EncoderPdfDpi;
using gdip::EncoderColorDepth;
using gdip::EncoderValue;
using enum gdip::EncoderValue;
using gdip::ImageCodecInfo;

// 32-bit colour: alpha in bits 24-31, then red, green, blue.
using ArgbColor = uint32_t;

constexpr ArgbColor composeArgb(uint8_t alpha, uint8_t red, uint8_t green, uint8_t blue) {
    return (ArgbColor{alpha} << 24) | (ArgbColor{red} << 16) | (ArgbColor{green} << 8) | blue;
}

constexpr ArgbColor OpaqueColor(uint8_t red, uint8_t green, uint8_t blue) {
    return composeArgb(255, red, green, blue);
}

struct PixelRect {
    int32_t X = 0;
    int32_t Y = 0;
    int32_t Width = 0;
    int32_t Height = 0;

    constexpr PixelRect() = default;
    constexpr PixelRect(int32_t x, int32_t y, int32_t width, int32_t height)
        : X(x), Y(y), Width(width), Height(height) {}
};

// Every wrapper object lives in storage from GdipAlloc, so none can outlive the session.
class TGdiplusBase {
public:
    TGdiplusBase() = default;
    TGdiplusBase(const TGdiplusBase&) = delete;
    TGdiplusBase& operator=(const TGdiplusBase&) = delete;
    virtual ~TGdiplusBase() = default;

    // Throws std::bad_alloc when the library has no storage (no open session).
    static void* operator new(size_t size);
    static void operator delete(void* storage);
};

}  // namespace orvelle
