#include "tiff_rows.h"

#include <algorithm>
#include <cstring>

#include "../../argb.h"
#include "../../channel_order.h"

namespace gdip::codecs {
namespace {

// The top eight bits of 16-bit sample `i` of a row, which libtiff has put in the machine's
// byte order.
uint8_t highByte(const uint8_t* row, uint32_t i) {
    uint16_t sample;
    std::memcpy(&sample, row + 2 * size_t{i}, 2);
    return static_cast<uint8_t>(sample >> 8);
}

bool associatedAlpha(const PageLayout& l) { return l.extraAlpha == EXTRASAMPLE_ASSOCALPHA; }

// Bilevel and 1-bit palette rows are stored as the frame keeps them.
void copyBitRow(const uint8_t* src, uint8_t* dst, const PageLayout& l) {
    std::memcpy(dst, src, (size_t{l.width} + 7) / 8);
}

void copyByteRow(const uint8_t* src, uint8_t* dst, const PageLayout& l) { std::memcpy(dst, src, l.width); }

void highByteRow(const uint8_t* src, uint8_t* dst, const PageLayout& l) {
    for (uint32_t x = 0; x < l.width; ++x) dst[x] = highByte(src, x);
}

// 2- and 4-bit samples, one index byte each.
void unpackedRow(const uint8_t* src, uint8_t* dst, const PageLayout& l) {
    const unsigned bits = l.bitsPerSample;
    const unsigned perByte = 8 / bits;
    const unsigned mask = (1u << bits) - 1;
    for (uint32_t x = 0; x < l.width; ++x) {
        const unsigned shift = 8 - bits * (x % perByte + 1);
        dst[x] = static_cast<uint8_t>((src[x / perByte] >> shift) & mask);
    }
}

void greyAlphaRow(const uint8_t* src, uint8_t* dst, const PageLayout& l) {
    auto* words = reinterpret_cast<uint32_t*>(dst);
    const bool inverted = l.photometric == PHOTOMETRIC_MINISWHITE;
    const bool wide = l.bitsPerSample == 16;
    const bool associated = associatedAlpha(l);
    for (uint32_t x = 0; x < l.width; ++x) {
        uint32_t v = wide ? highByte(src, 2 * x) : src[2 * x];
        const uint32_t a = wide ? highByte(src, 2 * x + 1) : src[2 * x + 1];
        if (inverted) v = 255 - v;
        if (associated) v = unpremultiply(v, a);
        words[x] = packArgb(a, v, v, v);
    }
}

void bgrFromRgbRow(const uint8_t* src, uint8_t* dst, const PageLayout& l) { swapRedAndBlue(src, dst, l.width); }

// RGB with further samples that are not alpha: they are dropped.
void bgrFromWiderRow(const uint8_t* src, uint8_t* dst, const PageLayout& l) {
    const uint32_t spp = l.samplesPerPixel;
    for (uint32_t x = 0; x < l.width; ++x, src += spp, dst += 3) {
        dst[0] = src[2];
        dst[1] = src[1];
        dst[2] = src[0];
    }
}

void argbFromRgbaRow(const uint8_t* src, uint8_t* dst, const PageLayout& l) {
    auto* words = reinterpret_cast<uint32_t*>(dst);
    const uint32_t spp = l.samplesPerPixel;
    const bool associated = associatedAlpha(l);
    for (uint32_t x = 0; x < l.width; ++x, src += spp) {
        uint32_t r = src[0], g = src[1], b = src[2];
        const uint32_t a = src[3];
        if (associated) {
            r = unpremultiply(r, a);
            g = unpremultiply(g, a);
            b = unpremultiply(b, a);
        }
        words[x] = packArgb(a, r, g, b);
    }
}

}  // namespace

bool pickDirect(const PageLayout& l, Direct& kind) {
    if (l.sampleFormat != SAMPLEFORMAT_UINT || l.compression == COMPRESSION_OJPEG) return false;
    if (l.planar != PLANARCONFIG_CONTIG && l.samplesPerPixel > 1) return false;
    const bool grey = l.photometric == PHOTOMETRIC_MINISBLACK || l.photometric == PHOTOMETRIC_MINISWHITE;
    const bool alpha = l.extraCount > 0 && l.extraAlpha != EXTRASAMPLE_UNSPECIFIED;
    // 16-bit grey is read here too: libtiff's RGBA reader misplaces the samples of the
    // last column of tiles when the width is not a multiple of the tile's.
    const bool sixteen = l.bitsPerSample == 16 && grey;
    if (l.samplesPerPixel == 1) {
        if (l.bitsPerSample != 1 && l.bitsPerSample != 2 && l.bitsPerSample != 4 && l.bitsPerSample != 8 &&
            !sixteen)
            return false;
        if (l.photometric == PHOTOMETRIC_PALETTE) {
            kind = Direct::Palette;
            return true;
        }
        if (!grey) return false;
        kind = l.bitsPerSample == 1 ? Direct::Bilevel : Direct::Grey;
        return true;
    }
    if (grey && l.samplesPerPixel == 2 && alpha && (l.bitsPerSample == 8 || sixteen)) {
        kind = Direct::GreyAlpha;
        return true;
    }
    if (l.bitsPerSample != 8) return false;
    if (l.photometric == PHOTOMETRIC_RGB && l.samplesPerPixel >= 3) {
        kind = (l.samplesPerPixel > 3 && alpha) ? Direct::Rgba : Direct::Rgb;
        return true;
    }
    return false;
}

PixelClass directPixelClass(Direct kind, const PageLayout& l) {
    switch (kind) {
        case Direct::Bilevel: return PixelClass::Indexed1;
        case Direct::Palette: return l.bitsPerSample == 1 ? PixelClass::Indexed1 : PixelClass::Indexed8;
        case Direct::GreyAlpha:
        case Direct::Rgba: return PixelClass::Argb32;
        case Direct::Rgb: return PixelClass::Rgb24;
        case Direct::Grey: break;
    }
    return PixelClass::Indexed8;
}

RowConversion rowConversion(Direct kind, const PageLayout& l) {
    switch (kind) {
        case Direct::Bilevel: return &copyBitRow;
        case Direct::Palette:
        case Direct::Grey:
            if (l.bitsPerSample == 1) return &copyBitRow;
            if (l.bitsPerSample == 8) return &copyByteRow;
            if (l.bitsPerSample == 16) return &highByteRow;
            return &unpackedRow;
        case Direct::GreyAlpha: return &greyAlphaRow;
        case Direct::Rgb: return l.samplesPerPixel == 3 ? &bgrFromRgbRow : &bgrFromWiderRow;
        case Direct::Rgba: break;
    }
    return &argbFromRgbaRow;
}

uint8_t unpremultiply(uint32_t value, uint32_t alpha) {
    if (alpha == 0) return 0;
    return static_cast<uint8_t>(std::min<uint32_t>(255, (value * 255 + alpha / 2) / alpha));
}

}  // namespace gdip::codecs
