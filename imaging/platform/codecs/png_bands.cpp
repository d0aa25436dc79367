#include "png_bands.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "../channel_order.h"
#include "deflate_buffer.h"
#include "filtered_deflate.h"

namespace gdip::codecs {
namespace {

void putBe32(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value >> 24);
    at[1] = static_cast<uint8_t>(value >> 16);
    at[2] = static_cast<uint8_t>(value >> 8);
    at[3] = static_cast<uint8_t>(value);
}

bool writeChunk(std::FILE* stream, const char* type, const uint8_t* data, size_t size) {
    uint8_t head[8];
    putBe32(head, static_cast<uint32_t>(size));
    std::memcpy(head + 4, type, 4);
    uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(type), 4);
    if (size > 0) crc = crc32(crc, data, static_cast<uInt>(size));
    uint8_t tail[4];
    putBe32(tail, static_cast<uint32_t>(crc));
    return std::fwrite(head, 1, 8, stream) == 8 && (size == 0 || std::fwrite(data, 1, size, stream) == size) &&
           std::fwrite(tail, 1, 4, stream) == 4;
}

// Row `y` of `picture` as 8-bit RGB or RGBA samples.
void pngSamples(const PictureRows& picture, const uint8_t* rgbOfIndex, uint32_t y, uint8_t* out) {
    const Frame& frame = *picture.header;
    if (frame.pixelClass == PixelClass::Indexed1 || frame.pixelClass == PixelClass::Indexed8) {
        indexedRowToRgb(frame, y, rgbOfIndex, out);
        return;
    }
    // Rows are asked for on several workers: each keeps its own scratch for made ones.
    thread_local std::vector<uint8_t> scratch;
    if (picture.made()) scratch.resize(frame.stride);
    const uint8_t* src = picture.row(y, scratch.data());
    const uint32_t width = frame.width;
    uint8_t* __restrict to = out;
    const uint8_t* __restrict from = src;
    if (frame.pixelClass == PixelClass::Rgb24) {
        swapRedAndBlue(from, to, width);
        return;
    }
    for (uint32_t x = 0; x < width; ++x) {
        to[4 * x] = from[4 * x + 2];
        to[4 * x + 1] = from[4 * x + 1];
        to[4 * x + 2] = from[4 * x];
        to[4 * x + 3] = from[4 * x + 3];
    }
}

}  // namespace

void paletteRgbTable(const Frame& frame, uint8_t (&table)[3 * 256]) {
    std::memset(table, 0, sizeof table);
    for (size_t i = 0; i < frame.palette.size() && i < 256; ++i) {
        table[3 * i] = static_cast<uint8_t>(frame.palette[i] >> 16);
        table[3 * i + 1] = static_cast<uint8_t>(frame.palette[i] >> 8);
        table[3 * i + 2] = static_cast<uint8_t>(frame.palette[i]);
    }
}

void indexedRowToRgb(const Frame& frame, uint32_t y, const uint8_t* table, uint8_t* out) {
    const uint8_t* src = frame.row(y);
    const bool oneBit = frame.pixelClass == PixelClass::Indexed1;
    for (uint32_t x = 0; x < frame.width; ++x, out += 3) {
        const unsigned index = oneBit ? (src[x >> 3] >> (7 - (x & 7))) & 1u : src[x];
        std::memcpy(out, table + 3 * index, 3);
    }
}

PngAspect pngAspect(const PageMetadata& meta) {
    // pHYs holds whole numbers: the ratio is kept to a thousandth.
    if (!(meta.aspectX > 0 && meta.aspectY > 0) || meta.aspectX > 4e6 || meta.aspectY > 4e6) return {};
    return {static_cast<uint32_t>(std::lrint(meta.aspectX * 1000)), static_cast<uint32_t>(std::lrint(meta.aspectY * 1000))};
}

GpStatus writePngInBands(std::FILE* stream, const PictureRows& picture, uint32_t pixelsPerMetreX,
                         uint32_t pixelsPerMetreY) {
    const Frame& frame = *picture.header;
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    uint8_t header[13] = {};
    putBe32(header, frame.width);
    putBe32(header + 4, frame.height);
    header[8] = 8;
    header[9] = frame.pixelClass == PixelClass::Argb32 ? 6 : 2;  // RGBA or RGB
    if (std::fwrite(kSignature, 1, 8, stream) != 8 || !writeChunk(stream, "IHDR", header, sizeof header))
        return Win32Error;
    if (pixelsPerMetreX > 0 && pixelsPerMetreY > 0) {
        uint8_t density[9];
        putBe32(density, pixelsPerMetreX);
        putBe32(density + 4, pixelsPerMetreY);
        density[8] = 1;  // metres
        if (!writeChunk(stream, "pHYs", density, sizeof density)) return Win32Error;
    } else if (const PngAspect aspect = pngAspect(frame.meta); aspect.x > 0) {
        uint8_t density[9];
        putBe32(density, aspect.x);
        putBe32(density + 4, aspect.y);
        density[8] = 0;  // no unit: the pixels' aspect only
        if (!writeChunk(stream, "pHYs", density, sizeof density)) return Win32Error;
    }
    if (profileFits(frame.meta.iccProfile, false)) {
        const std::string& profile = frame.meta.iccProfile;
        static const char kName[] = "ICC profile";  // with its terminating zero; then deflate
        std::vector<uint8_t> chunk(kName, kName + sizeof kName);
        chunk.push_back(0);
        if (const GpStatus status = deflateBuffer(reinterpret_cast<const uint8_t*>(profile.data()), profile.size(),
                                                  Z_BEST_COMPRESSION, chunk);
            status != Ok)
            return status;
        if (!writeChunk(stream, "iCCP", chunk.data(), chunk.size())) return Win32Error;
    }
    uint8_t rgbOfIndex[3 * 256];
    paletteRgbTable(frame, rgbOfIndex);
    SampleRows rows{frame.width, frame.height, size_t{frame.pixelClass == PixelClass::Argb32 ? 4u : 3u},
                    [&](uint32_t y, uint8_t* out) { pngSamples(picture, rgbOfIndex, y, out); }};
    // One IDAT chunk per band.
    const GpStatus status = deflateFilteredRows(
        rows, [&](const uint8_t* bytes, size_t size) { return writeChunk(stream, "IDAT", bytes, size); });
    if (status != Ok) return status;
    return writeChunk(stream, "IEND", nullptr, 0) ? Ok : Win32Error;
}

}  // namespace gdip::codecs
