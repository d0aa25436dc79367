#include "pdf_rows.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "pdf_colour.h"

namespace gdip::codecs::pdf {
namespace {

// One sample of `bits` at sample position `i` of a row.
unsigned sampleAt(const uint8_t* row, size_t i, int bits) {
    switch (bits) {
        case 1: return (row[i >> 3] >> (7 - (i & 7))) & 1u;
        case 2: return (row[i >> 2] >> (6 - 2 * (i & 3))) & 3u;
        case 4: return (row[i >> 1] >> (4 - 4 * (i & 1))) & 15u;
        case 8: return row[i];
        default: return row[2 * i];  // 16 bits: the high byte
    }
}

// The bytes of one row of the picture's samples.
size_t sampleRowBytes(const PictureFacts& facts) {
    return (size_t{facts.width} * facts.components * facts.bits + 7) / 8;
}

// Row `y` of the frame from its samples `in`.
void convertRow(const PictureFacts& facts, const uint8_t* in, Frame& frame, uint32_t y) {
    const unsigned top = (1u << std::min(facts.bits, 8)) - 1;
    const auto level = [&](unsigned sample) {
        const unsigned value = facts.bits == 16 ? sample : sample * 255 / top;
        return facts.inverted ? 255 - value : value;
    };
    uint8_t* out = frame.row(y);
    if (frame.pixelClass == PixelClass::Indexed1) {
        std::memcpy(out, in, sampleRowBytes(facts));
        return;
    }
    for (uint32_t x = 0; x < facts.width; ++x) {
        const size_t s = size_t{x} * facts.components;
        if (frame.pixelClass == PixelClass::Indexed8) {
            out[x] = static_cast<uint8_t>(facts.indexed ? sampleAt(in, s, facts.bits) : level(sampleAt(in, s, facts.bits)));
            continue;
        }
        unsigned c[4] = {};
        for (int k = 0; k < facts.components; ++k) c[k] = level(sampleAt(in, s + k, facts.bits));
        const ARGB colour = facts.components == 4 ? fromCmyk(c[0], c[1], c[2], c[3]) : opaque(c[0], c[1], c[2]);
        out[3 * x] = static_cast<uint8_t>(colour);
        out[3 * x + 1] = static_cast<uint8_t>(colour >> 8);
        out[3 * x + 2] = static_cast<uint8_t>(colour >> 16);
    }
}

}  // namespace

GpStatus prepareFrame(const PictureFacts& facts, Frame& frame) {
    PixelClass pixelClass = PixelClass::Rgb24;
    if (facts.components == 1) pixelClass = facts.bits == 1 ? PixelClass::Indexed1 : PixelClass::Indexed8;
    if (const GpStatus status = allocateFrame(frame, facts.width, facts.height, pixelClass); status != Ok) return status;
    if (facts.indexed) {
        // Each sample's colour as the decode array maps it to an index, clamped to the
        // palette as readers do (a sample past its end is drawn in its last colour).
        const unsigned top = (1u << facts.bits) - 1;
        const bool mapped = facts.indexTo >= 0;
        frame.palette.resize(pixelClass == PixelClass::Indexed1 ? 2 : 256);
        for (unsigned sample = 0; sample < frame.palette.size(); ++sample) {
            const double index = !mapped ? sample : facts.indexFrom + sample * (facts.indexTo - facts.indexFrom) / top;
            const double last = static_cast<double>(facts.palette.size() - 1);
            frame.palette[sample] = facts.palette[static_cast<size_t>(std::clamp(std::round(index), 0.0, last))];
        }
    } else if (facts.components == 1) {
        frame.palette = greyPalette(facts.bits == 1 ? 1 : 8);
        if (facts.bits == 1 && facts.inverted) std::swap(frame.palette[0], frame.palette[1]);
    }
    return Ok;
}

RowSink::RowSink(const PictureFacts& facts, Frame& frame)
    : Pipeline("rows", nullptr), m_facts(facts), m_frame(frame), m_row(sampleRowBytes(facts)) {}

void RowSink::write(unsigned char const* data, size_t len) {
    while (len > 0 && m_y < m_frame.height) {
        const size_t take = std::min(len, m_row.size() - m_filled);
        std::memcpy(m_row.data() + m_filled, data, take);
        m_filled += take;
        data += take;
        len -= take;
        if (m_filled == m_row.size()) {
            convertRow(m_facts, m_row.data(), m_frame, m_y++);
            m_filled = 0;
        }
    }
}

void invertColours(Frame& frame) {
    if (!frame.palette.empty()) {
        for (ARGB& colour : frame.palette) colour ^= 0x00FFFFFFu;
        return;
    }
    for (uint32_t y = 0; y < frame.height; ++y) {
        uint8_t* row = frame.row(y);
        if (frame.pixelClass == PixelClass::Argb32) {
            auto* words = reinterpret_cast<uint32_t*>(row);
            for (uint32_t x = 0; x < frame.width; ++x) words[x] ^= 0x00FFFFFFu;
        } else {
            for (size_t i = 0; i < size_t{frame.width} * 3; ++i) row[i] = static_cast<uint8_t>(255 - row[i]);
        }
    }
}

}  // namespace gdip::codecs::pdf
