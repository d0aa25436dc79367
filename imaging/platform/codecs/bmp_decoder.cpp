// Windows and OS/2 bitmaps: 1, 2, 4, 8, 16, 24 and 32 bits, RLE4/RLE8, bit fields, top-down
// rows. Every size read from the header is checked against the file before memory is taken.
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <vector>

#include "../argb.h"
#include "../image_limits.h"
#include "byte_order.h"
#include "codec.h"
#include "file_handle.h"
#include "resolution.h"

namespace gdip::codecs {
namespace {

constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;

// One colour channel described by a bit mask.
struct Channel {
    uint32_t mask = 0;
    unsigned shift = 0;
    uint32_t max = 0;

    static Channel from(uint32_t mask) {
        Channel c;
        c.mask = mask;
        if (mask == 0) return c;
        c.shift = static_cast<unsigned>(std::countr_zero(mask));
        c.max = mask >> c.shift;
        return c;
    }
    bool contiguous() const { return mask == 0 || ((max + 1) & max) == 0; }
    uint32_t scaled(uint32_t pixel) const {
        if (max == 0) return 0;
        return static_cast<uint32_t>((uint64_t{(pixel & mask) >> shift} * 255 + max / 2) / max);
    }
};

struct BmpHeader {
    uint32_t dataOffset = 0;
    uint32_t headerSize = 0;
    int64_t width = 0;
    int64_t height = 0;  // negative: rows stored top-down
    uint16_t bitCount = 0;
    uint32_t compression = kRgb;
    uint32_t coloursUsed = 0;
    int32_t pelsPerMeterX = 0;
    int32_t pelsPerMeterY = 0;
    Channel red, green, blue, alpha;
    std::vector<ARGB> palette;
};

class BmpDecoder final : public SinglePictureDecoder {
public:
    GpStatus open(UniqueFd fd) {
        m_fileSize = descriptorSize(fd.get());
        m_file = streamFromDescriptor(std::move(fd));
        if (!m_file) return OutOfMemory;
        if (m_fileSize < 26) return UnknownImageFormat;
        return readHeader();  // openDecoderOf turns bad_alloc into OutOfMemory
    }

    const GUID& rawFormat() const override { return ImageFormatBMP; }

protected:
    GpStatus decodePicture(Frame& out) override {
        const BmpHeader& h = m_header;
        const uint32_t width = static_cast<uint32_t>(h.width);
        const uint32_t height = static_cast<uint32_t>(h.height < 0 ? -h.height : h.height);
        GpStatus status = allocateFrame(out, width, height, pixelClass());
        if (status != Ok) return status;
        out.palette = h.palette;
        try {
            status = (h.compression == kRle8 || h.compression == kRle4) ? readRle(out)
                                                                         : readRows(out);
        } catch (const std::bad_alloc&) {
            status = OutOfMemory;
        }
        if (status != Ok) {
            out = Frame{};
            return status;
        }
        if (h.pelsPerMeterX > 0 && h.pelsPerMeterY > 0) {
            out.dpiX = dpiFromPixelsPerMetre(h.pelsPerMeterX);
            out.dpiY = dpiFromPixelsPerMetre(h.pelsPerMeterY);
        }
        return Ok;
    }

private:
    bool readAt(uint64_t offset, void* buffer, size_t length) {
        if (offset + length > static_cast<uint64_t>(m_fileSize)) return false;
        if (fseeko(m_file.get(), static_cast<off_t>(offset), SEEK_SET) != 0) return false;
        return std::fread(buffer, 1, length, m_file.get()) == length;
    }

    GpStatus readHeader() {
        uint8_t head[14 + 124] = {};
        if (!readAt(0, head, 18)) return UnknownImageFormat;
        BmpHeader& h = m_header;
        h.dataOffset = le32(head + 10);
        h.headerSize = le32(head + 14);
        const uint32_t size = h.headerSize;
        const bool core = size == 12;
        if (size != 12 && size != 16 && size != 40 && size != 52 && size != 56 && size != 64 &&
            size != 108 && size != 124)
            return UnknownImageFormat;
        if (!readAt(14, head + 14, size)) return UnknownImageFormat;
        const uint8_t* info = head + 14;
        if (core) {
            h.width = le16(info + 4);
            h.height = le16(info + 6);
            h.bitCount = le16(info + 10);
            if (le16(info + 8) != 1) return UnknownImageFormat;
        } else {
            h.width = static_cast<int32_t>(le32(info + 4));
            h.height = static_cast<int32_t>(le32(info + 8));
            if (le16(info + 12) != 1) return UnknownImageFormat;
            h.bitCount = le16(info + 14);
            if (size >= 20) h.compression = le32(info + 16);
            if (size >= 32) {
                h.pelsPerMeterX = static_cast<int32_t>(le32(info + 24));
                h.pelsPerMeterY = static_cast<int32_t>(le32(info + 28));
            }
            if (size >= 36) h.coloursUsed = le32(info + 32);
        }
        // OS/2 2.x reuses the compression numbers 3 and 4 for Huffman and RLE24.
        if (size == 16 || size == 64) {
            if (h.compression == 3 || h.compression == 4) return UnknownImageFormat;
        }
        if (h.width <= 0 || h.height == 0 || h.height == INT32_MIN) return UnknownImageFormat;
        const uint64_t rows = static_cast<uint64_t>(h.height < 0 ? -h.height : h.height);
        if (!frameSizeAllowed(static_cast<uint64_t>(h.width), rows)) return UnknownImageFormat;
        if (h.height < 0 && (h.compression == kRle8 || h.compression == kRle4))
            return UnknownImageFormat;
        if (h.dataOffset >= m_fileSize) return UnknownImageFormat;

        switch (h.bitCount) {
            case 1: case 2: case 4: case 8:
                if (h.compression != kRgb && !(h.compression == kRle8 && h.bitCount == 8) &&
                    !(h.compression == kRle4 && h.bitCount == 4))
                    return UnknownImageFormat;
                return readPalette(core);
            case 16: case 24: case 32: break;
            default: return UnknownImageFormat;
        }
        if (h.compression == kRgb) {
            if (h.bitCount == 16) {
                setMasks(0x7C00, 0x03E0, 0x001F, 0);
            } else {
                setMasks(0xFF0000, 0x00FF00, 0x0000FF, 0);
            }
            return Ok;
        }
        if ((h.compression != kBitFields && h.compression != kAlphaBitFields) || h.bitCount == 24)
            return UnknownImageFormat;
        uint8_t masks[16] = {};
        // The masks follow a 40-byte header; larger headers hold them in place.
        if (size == 40) {
            const size_t count = h.compression == kAlphaBitFields ? 16 : 12;
            if (!readAt(14 + 40, masks, count)) return UnknownImageFormat;
        } else if (size >= 52) {
            std::memcpy(masks, info + 40, size >= 56 ? 16 : 12);
        } else {
            return UnknownImageFormat;
        }
        const bool withAlpha = size >= 56 || h.compression == kAlphaBitFields;
        setMasks(le32(masks), le32(masks + 4), le32(masks + 8), withAlpha ? le32(masks + 12) : 0);
        for (const Channel* c : {&h.red, &h.green, &h.blue, &h.alpha})
            if (!c->contiguous()) return UnknownImageFormat;
        if (h.bitCount == 16 && ((h.red.mask | h.green.mask | h.blue.mask | h.alpha.mask) >> 16))
            return UnknownImageFormat;
        return Ok;
    }

    void setMasks(uint32_t red, uint32_t green, uint32_t blue, uint32_t alpha) {
        m_header.red = Channel::from(red);
        m_header.green = Channel::from(green);
        m_header.blue = Channel::from(blue);
        m_header.alpha = Channel::from(alpha);
    }

    GpStatus readPalette(bool core) {
        BmpHeader& h = m_header;
        const uint32_t maximum = 1u << h.bitCount;
        uint32_t count = h.coloursUsed == 0 ? maximum : std::min(h.coloursUsed, maximum);
        const uint32_t entrySize = core ? 3 : 4;
        const uint64_t start = 14 + uint64_t{h.headerSize};
        // A palette that runs into the pixels is cut where the pixels begin.
        if (h.dataOffset > start)
            count = static_cast<uint32_t>(
                std::min<uint64_t>(count, (h.dataOffset - start) / entrySize));
        if (count == 0) return UnknownImageFormat;
        std::vector<uint8_t> raw(size_t{count} * entrySize);
        if (!readAt(start, raw.data(), raw.size())) return UnknownImageFormat;
        h.palette.resize(count);
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t* e = raw.data() + size_t{i} * entrySize;
            h.palette[i] = opaque(e[2], e[1], e[0]);
        }
        return Ok;
    }

    PixelClass pixelClass() const {
        switch (m_header.bitCount) {
            case 1: return PixelClass::Indexed1;
            case 2: case 4: case 8: return PixelClass::Indexed8;
            default: return m_header.alpha.mask ? PixelClass::Argb32 : PixelClass::Rgb24;
        }
    }

    uint32_t frameRow(const Frame& out, uint32_t stored) const {
        return m_header.height < 0 ? stored : out.height - 1 - stored;
    }

    GpStatus readRows(Frame& out) {
        const BmpHeader& h = m_header;
        const uint64_t rowBytes = ((uint64_t{out.width} * h.bitCount + 31) / 32) * 4;
        const uint64_t lastRowBytes = (uint64_t{out.width} * h.bitCount + 7) / 8;
        if (h.dataOffset + rowBytes * (out.height - 1) + lastRowBytes >
            static_cast<uint64_t>(m_fileSize))
            return GenericError;  // truncated
        std::vector<uint8_t> row(static_cast<size_t>(rowBytes));
        if (fseeko(m_file.get(), h.dataOffset, SEEK_SET) != 0) return GenericError;
        for (uint32_t stored = 0; stored < out.height; ++stored) {
            const size_t want =
                static_cast<size_t>(stored + 1 == out.height ? lastRowBytes : rowBytes);
            if (std::fread(row.data(), 1, want, m_file.get()) != want) return GenericError;
            convertRow(row.data(), out.row(frameRow(out, stored)), out.width);
        }
        return Ok;
    }

    void convertRow(const uint8_t* src, uint8_t* dst, uint32_t width) const {
        const BmpHeader& h = m_header;
        switch (h.bitCount) {
            case 1: std::memcpy(dst, src, (size_t{width} + 7) / 8); return;
            case 8: std::memcpy(dst, src, width); return;
            case 2:
            case 4: {
                const unsigned bits = h.bitCount, perByte = 8 / bits, mask = (1u << bits) - 1;
                for (uint32_t x = 0; x < width; ++x)
                    dst[x] = static_cast<uint8_t>(
                        (src[x / perByte] >> (8 - bits * (x % perByte + 1))) & mask);
                return;
            }
            case 24:
                std::memcpy(dst, src, size_t{width} * 3);
                return;
            default: break;
        }
        const unsigned bytes = h.bitCount / 8;
        for (uint32_t x = 0; x < width; ++x, src += bytes) {
            const uint32_t pixel = bytes == 2 ? le16(src) : le32(src);
            const uint32_t r = h.red.scaled(pixel), g = h.green.scaled(pixel),
                           b = h.blue.scaled(pixel);
            if (h.alpha.mask) {
                reinterpret_cast<uint32_t*>(dst)[x] =
                    packArgb(h.alpha.scaled(pixel), r, g, b);
            } else {
                dst[3 * x] = static_cast<uint8_t>(b);
                dst[3 * x + 1] = static_cast<uint8_t>(g);
                dst[3 * x + 2] = static_cast<uint8_t>(r);
            }
        }
    }

    // Run-length data, decoded bottom-up; pixels a delta skips keep index 0.
    GpStatus readRle(Frame& out) {
        const BmpHeader& h = m_header;
        const uint64_t length = static_cast<uint64_t>(m_fileSize) - h.dataOffset;
        std::vector<uint8_t> data(static_cast<size_t>(length));
        if (!readAt(h.dataOffset, data.data(), data.size())) return GenericError;
        const bool four = h.compression == kRle4;
        size_t at = 0;
        uint32_t x = 0, stored = 0;
        auto put = [&](uint8_t index) {
            if (x < out.width && stored < out.height) out.row(out.height - 1 - stored)[x] = index;
            ++x;
        };
        while (at + 1 < data.size()) {
            const uint8_t count = data[at], value = data[at + 1];
            at += 2;
            if (count > 0) {
                for (unsigned i = 0; i < count; ++i)
                    put(four ? static_cast<uint8_t>(i % 2 ? value & 0x0F : value >> 4) : value);
                continue;
            }
            if (value == 0) {  // end of line
                x = 0;
                if (++stored >= out.height) return Ok;
            } else if (value == 1) {  // end of bitmap
                return Ok;
            } else if (value == 2) {  // delta
                if (at + 1 >= data.size()) return GenericError;
                x += data[at];
                stored += data[at + 1];
                at += 2;
                if (stored >= out.height) return Ok;
            } else {  // literal run
                const size_t bytes = four ? (value + 1u) / 2 : value;
                if (at + bytes > data.size()) return GenericError;
                for (unsigned i = 0; i < value; ++i)
                    put(four ? static_cast<uint8_t>(i % 2 ? data[at + i / 2] & 0x0F
                                                          : data[at + i / 2] >> 4)
                             : data[at + i]);
                at += (bytes + 1) & ~size_t{1};  // runs are padded to 16 bits
            }
        }
        return GenericError;  // ran out of data without an end marker
    }

    FilePtr m_file;
    long long m_fileSize = 0;
    BmpHeader m_header;
};

}  // namespace

std::unique_ptr<Decoder> openBmpDecoder(UniqueFd fd, GpStatus& status, std::string& reason) {
    return openDecoderOf<BmpDecoder>(std::move(fd), status, reason);
}

}  // namespace gdip::codecs
