// Windows bitmaps: 24-bit bottom-up rows from colour frames, 1- and 8-bit with their
// palette from indexed frames, with the resolution in pixels per metre.
#include <cmath>
#include <cstring>
#include <vector>

#include "byte_order.h"
#include "codec.h"
#include "resolution.h"

namespace gdip::codecs {
namespace {

class BmpEncoder final : public SinglePictureEncoder {
public:
    using SinglePictureEncoder::SinglePictureEncoder;

protected:
    GpStatus write(const Frame& frame) override { return writeBmp(rowsOf(frame)); }
    GpStatus writeRows(const PictureRows& rows) override { return writeBmp(rows); }

private:
    GpStatus writeBmp(const PictureRows& rows) {
        const Frame& frame = *rows.header;
        const bool indexed =
            frame.pixelClass == PixelClass::Indexed1 || frame.pixelClass == PixelClass::Indexed8;
        const uint32_t bits = frame.pixelClass == PixelClass::Indexed1 ? 1 : indexed ? 8 : 24;
        const uint32_t colours = indexed ? (1u << bits) : 0;
        const uint64_t rowBytes = ((uint64_t{frame.width} * bits + 31) / 32) * 4;
        const uint64_t dataSize = rowBytes * frame.height;
        const uint64_t offset = 14 + 40 + uint64_t{colours} * 4;
        if (offset + dataSize > 0xFFFFFFFFull) return ValueOverflow;

        std::vector<uint8_t> header(static_cast<size_t>(offset), 0);
        header[0] = 'B';
        header[1] = 'M';
        putLe32(&header[2], static_cast<uint32_t>(offset + dataSize));
        putLe32(&header[10], static_cast<uint32_t>(offset));
        putLe32(&header[14], 40);
        putLe32(&header[18], frame.width);
        putLe32(&header[22], frame.height);
        putLe16(&header[26], 1);
        putLe16(&header[28], bits);
        putLe32(&header[34], static_cast<uint32_t>(dataSize));
        putLe32(&header[38], pixelsPerMetre(frame.dpiX));
        putLe32(&header[42], pixelsPerMetre(frame.dpiY));
        putLe32(&header[46], colours);
        for (uint32_t i = 0; i < colours; ++i) {
            const ARGB c = i < frame.palette.size() ? frame.palette[i] : 0;
            putLe32(&header[54 + size_t{i} * 4], c & 0x00FFFFFFu);
        }
        if (std::fwrite(header.data(), 1, header.size(), stream()) != header.size())
            return Win32Error;

        std::vector<uint8_t> row(static_cast<size_t>(rowBytes), 0);
        std::vector<uint8_t> scratch(rows.made() ? frame.stride : 0);
        const size_t used = static_cast<size_t>((uint64_t{frame.width} * bits + 7) / 8);
        for (uint32_t stored = 0; stored < frame.height; ++stored) {
            const uint8_t* src = rows.row(frame.height - 1 - stored, scratch.data());
            if (frame.pixelClass == PixelClass::Argb32) {
                const auto* words = reinterpret_cast<const uint32_t*>(src);
                for (uint32_t x = 0; x < frame.width; ++x) {
                    row[3 * x] = static_cast<uint8_t>(words[x]);
                    row[3 * x + 1] = static_cast<uint8_t>(words[x] >> 8);
                    row[3 * x + 2] = static_cast<uint8_t>(words[x] >> 16);
                }
            } else {
                std::memcpy(row.data(), src, used);
            }
            if (std::fwrite(row.data(), 1, row.size(), stream()) != row.size()) return Win32Error;
        }
        return Ok;
    }
};

}  // namespace

std::unique_ptr<Encoder> createBmpEncoder(std::FILE* stream, GpStatus& status) {
    status = Ok;
    return std::make_unique<BmpEncoder>(stream);
}

}  // namespace gdip::codecs
