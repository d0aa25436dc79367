#include "surface.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "argb.h"

namespace gdip {
namespace {

inline uint32_t div255(uint32_t v) { return (v + 1 + (v >> 8)) >> 8; }

// Source-over of a non-premultiplied colour onto one pixel of the surface.
inline void blendPixel(const Surface& s, uint8_t* p, ARGB c) {
    const uint32_t a = alphaOf(c);
    if (a == 0) return;
    switch (s.kind) {
        case Surface::Kind::Rgb24:
            if (a == 255) {
                p[0] = static_cast<uint8_t>(blueOf(c));
                p[1] = static_cast<uint8_t>(greenOf(c));
                p[2] = static_cast<uint8_t>(redOf(c));
            } else {
                const uint32_t na = 255 - a;
                p[0] = static_cast<uint8_t>(div255(blueOf(c) * a + p[0] * na));
                p[1] = static_cast<uint8_t>(div255(greenOf(c) * a + p[1] * na));
                p[2] = static_cast<uint8_t>(div255(redOf(c) * a + p[2] * na));
            }
            return;
        case Surface::Kind::Xrgb32: {
            auto* w = reinterpret_cast<uint32_t*>(p);
            if (a == 255) {
                *w = c;
            } else {
                const uint32_t d = *w, na = 255 - a;
                *w = packArgb(255, div255(redOf(c) * a + redOf(d) * na),
                          div255(greenOf(c) * a + greenOf(d) * na),
                          div255(blueOf(c) * a + blueOf(d) * na));
            }
            return;
        }
        case Surface::Kind::Argb32: {
            auto* w = reinterpret_cast<uint32_t*>(p);
            const uint32_t d = *w;
            const uint32_t da = alphaOf(d);
            if (a == 255 || da == 0) {
                *w = c;
                return;
            }
            // out = src + dst * (1 - a), in premultiplied terms, then back.
            const uint32_t dw = div255(da * (255 - a));
            const uint32_t oa = a + dw;
            auto channel = [&](uint32_t sc, uint32_t dc) {
                return (sc * a + dc * dw + oa / 2) / oa;
            };
            *w = packArgb(oa, channel(redOf(c), redOf(d)), channel(greenOf(c), greenOf(d)),
                      channel(blueOf(c), blueOf(d)));
            return;
        }
    }
}

inline size_t bytesPerPixel(const Surface& s) { return s.kind == Surface::Kind::Rgb24 ? 3 : 4; }

inline uint8_t* pixelAddress(const Surface& s, int64_t x, int64_t y) {
    return s.base + static_cast<size_t>(y) * s.stride + static_cast<size_t>(x) * bytesPerPixel(s);
}

// Clips a rectangle to the surface; false when nothing is left.
bool clip(const Surface& s, IntRect& r) {
    int64_t x0 = std::max<int64_t>(r.x, 0), y0 = std::max<int64_t>(r.y, 0);
    int64_t x1 = std::min<int64_t>(r.x + r.width, s.width);
    int64_t y1 = std::min<int64_t>(r.y + r.height, s.height);
    if (x0 >= x1 || y0 >= y1) return false;
    r = {x0, y0, x1 - x0, y1 - y0};
    return true;
}

}  // namespace

void clearSurface(Surface& surface, ARGB color) {
    if (surface.kind == Surface::Kind::Xrgb32) color |= 0xFF000000u;
    for (int32_t y = 0; y < surface.height; ++y) {
        uint8_t* p = pixelAddress(surface, 0, y);
        if (surface.kind == Surface::Kind::Rgb24) {
            for (int32_t x = 0; x < surface.width; ++x, p += 3) {
                p[0] = static_cast<uint8_t>(blueOf(color));
                p[1] = static_cast<uint8_t>(greenOf(color));
                p[2] = static_cast<uint8_t>(redOf(color));
            }
        } else {
            std::fill_n(reinterpret_cast<uint32_t*>(p), surface.width, color);
        }
    }
}

void fillRect(Surface& surface, IntRect rect, ARGB color) {
    if (!clip(surface, rect)) return;
    const size_t step = bytesPerPixel(surface);
    for (int64_t y = rect.y; y < rect.y + rect.height; ++y) {
        uint8_t* p = pixelAddress(surface, rect.x, y);
        for (int64_t x = 0; x < rect.width; ++x, p += step) blendPixel(surface, p, color);
    }
}

void outlineRect(Surface& surface, IntRect rect, float penWidth, ARGB color) {
    // Pixel centres lie on whole coordinates; an edge at c covers the pixels i with
    // c - w/2 <= i < c + w/2, and a pen thinner than a pixel still covers one.
    const double half = std::max(1.0, static_cast<double>(penWidth)) / 2;
    auto band = [&](int64_t c, int64_t& lo, int64_t& count) {
        lo = static_cast<int64_t>(std::ceil(c - half));
        count = static_cast<int64_t>(std::ceil(c + half)) - lo;
    };
    int64_t leftLo, leftN, rightLo, rightN, topLo, topN, bottomLo, bottomN;
    band(rect.x, leftLo, leftN);
    band(rect.x + rect.width, rightLo, rightN);
    band(rect.y, topLo, topN);
    band(rect.y + rect.height, bottomLo, bottomN);
    const int64_t outerLeft = leftLo, outerRight = rightLo + rightN;
    fillRect(surface, {outerLeft, topLo, outerRight - outerLeft, topN}, color);
    const int64_t bottomStart = std::max(bottomLo, topLo + topN);
    fillRect(surface, {outerLeft, bottomStart, outerRight - outerLeft, bottomLo + bottomN - bottomStart},
             color);
    const int64_t innerTop = topLo + topN, innerBottom = bottomStart;
    if (innerBottom > innerTop) {
        fillRect(surface, {leftLo, innerTop, leftN, innerBottom - innerTop}, color);
        const int64_t rightStart = std::max(rightLo, leftLo + leftN);
        fillRect(surface, {rightStart, innerTop, rightLo + rightN - rightStart, innerBottom - innerTop},
                 color);
    }
}

namespace {

// Source rows converted to ARGB on demand, the last two kept.
class RowCache {
public:
    RowCache(const PictureRows& rows, const IntRect& source)
        : m_rows(rows), m_x0(static_cast<uint32_t>(source.x)), m_width(static_cast<uint32_t>(source.width)),
          m_scratch(rows.made() ? rows.header->stride : 0) {
        for (auto& slot : m_slots) slot.pixels.resize(m_width);
    }

    const ARGB* row(int64_t y) {
        for (auto& slot : m_slots)
            if (slot.y == y) return slot.pixels.data();
        Slot& slot = m_slots[m_next];
        m_next ^= 1;
        slot.y = y;
        readArgbPixels(*m_rows.header, m_rows.row(static_cast<uint32_t>(y), m_scratch.data()), m_x0, m_width,
                       slot.pixels.data());
        return slot.pixels.data();
    }

private:
    struct Slot {
        int64_t y = -1;
        std::vector<ARGB> pixels;
    };
    const PictureRows& m_rows;
    uint32_t m_x0;
    uint32_t m_width;
    std::vector<uint8_t> m_scratch;
    Slot m_slots[2];
    int m_next = 0;
};

// Bilinear sample position: the two neighbours and the weight of the second, in 1/256.
struct Tap {
    int64_t first, second;
    uint32_t weight;
};

Tap bilinearTap(int64_t d, int64_t dstSize, int64_t srcSize) {
    double f = (static_cast<double>(d) + 0.5) * static_cast<double>(srcSize) /
                   static_cast<double>(dstSize) -
               0.5;
    f = std::clamp(f, 0.0, static_cast<double>(srcSize - 1));
    const int64_t first = static_cast<int64_t>(f);
    const int64_t second = std::min(first + 1, srcSize - 1);
    return {first, second, static_cast<uint32_t>(std::lrint((f - first) * 256))};
}

ARGB mixPremultiplied(ARGB a, ARGB b, uint32_t wb) {
    // Weights in 1/256; colours weighted by their alpha so transparent pixels add no colour.
    const uint32_t wa = 256 - wb;
    const uint32_t aa = alphaOf(a) * wa, ab = alphaOf(b) * wb;
    const uint32_t alphaSum = aa + ab;  // alpha * 256
    if (alphaSum == 0) return 0;
    auto channel = [&](uint32_t ca, uint32_t cb) {
        return static_cast<uint32_t>((uint64_t{ca} * aa + uint64_t{cb} * ab + alphaSum / 2) /
                                     alphaSum);
    };
    return packArgb((alphaSum + 128) >> 8, channel(redOf(a), redOf(b)),
                channel(greenOf(a), greenOf(b)), channel(blueOf(a), blueOf(b)));
}

}  // namespace

void drawFrame(Surface& surface, const Frame& frame, IntRect source, IntRect destination,
               InterpolationMode mode) {
    if (!frame.empty()) drawFrame(surface, rowsOf(frame), source, destination, mode);
}

void drawFrame(Surface& surface, const PictureRows& picture, IntRect source, IntRect destination,
               InterpolationMode mode) {
    if (!picture.header || (!picture.made() && picture.header->empty()) || source.width <= 0 ||
        source.height <= 0 || destination.width <= 0 || destination.height <= 0)
        return;
    const Frame& frame = *picture.header;
    IntRect visible = destination;
    if (!clip(surface, visible)) return;
    RowCache rows(picture, source);
    const size_t step = bytesPerPixel(surface);
    const bool nearest = mode == InterpolationModeNearestNeighbor;
    const bool opaqueIntoRgb = surface.kind == Surface::Kind::Rgb24 && frameOpaque(frame);

    std::vector<int64_t> nearestX;
    std::vector<Tap> tapsX;
    for (int64_t x = visible.x; x < visible.x + visible.width; ++x) {
        const int64_t d = x - destination.x;
        if (nearest)
            nearestX.push_back((2 * d + 1) * source.width / (2 * destination.width));
        else
            tapsX.push_back(bilinearTap(d, destination.width, source.width));
    }
    for (int64_t y = visible.y; y < visible.y + visible.height; ++y) {
        const int64_t d = y - destination.y;
        uint8_t* p = pixelAddress(surface, visible.x, y);
        if (nearest) {
            const ARGB* src = rows.row(source.y + (2 * d + 1) * source.height /
                                                      (2 * destination.height));
            if (opaqueIntoRgb) {
                // Nothing to blend: every source pixel covers its destination pixel.
                for (size_t i = 0; i < nearestX.size(); ++i, p += 3) {
                    const ARGB c = src[nearestX[i]];
                    p[0] = static_cast<uint8_t>(c);
                    p[1] = static_cast<uint8_t>(c >> 8);
                    p[2] = static_cast<uint8_t>(c >> 16);
                }
                continue;
            }
            for (size_t i = 0; i < nearestX.size(); ++i, p += step)
                blendPixel(surface, p, src[nearestX[i]]);
            continue;
        }
        const Tap ty = bilinearTap(d, destination.height, source.height);
        const ARGB* top = rows.row(source.y + ty.first);
        const ARGB* bottom = rows.row(source.y + ty.second);
        for (size_t i = 0; i < tapsX.size(); ++i, p += step) {
            const Tap& tx = tapsX[i];
            const ARGB upper = mixPremultiplied(top[tx.first], top[tx.second], tx.weight);
            const ARGB lower = mixPremultiplied(bottom[tx.first], bottom[tx.second], tx.weight);
            blendPixel(surface, p, mixPremultiplied(upper, lower, ty.weight));
        }
    }
}

namespace {

// For one output position: the source positions it covers and how much of each.
struct Coverage {
    uint32_t first = 0;
    std::vector<float> weights;  // one per source position from `first`, summing to 1
};

std::vector<Coverage> coverageTable(uint32_t srcSize, uint32_t dstSize) {
    std::vector<Coverage> table(dstSize);
    const double scale = static_cast<double>(srcSize) / dstSize;
    for (uint32_t i = 0; i < dstSize; ++i) {
        const double start = i * scale, end = (i + 1) * scale;
        const uint32_t first = static_cast<uint32_t>(start);
        const uint32_t last =
            std::min<uint32_t>(srcSize - 1, static_cast<uint32_t>(std::ceil(end)) - 1);
        Coverage& c = table[i];
        c.first = first;
        for (uint32_t s = first; s <= last; ++s) {
            const double overlap = std::min<double>(end, s + 1) - std::max<double>(start, s);
            c.weights.push_back(static_cast<float>(std::max(0.0, overlap) / scale));
        }
    }
    return table;
}

inline uint32_t bitAt(const uint8_t* row, uint32_t x) { return (row[x >> 3] >> (7 - (x & 7))) & 1u; }

// The number of set bits of each byte. A table rather than std::popcount: the baseline
// x86-64 instruction set has no population count, and the library routine it falls back
// to took a seventh of the time of listing a fax document's tiles.
constexpr std::array<uint8_t, 256> kOnesInByte = [] {
    std::array<uint8_t, 256> ones{};
    for (unsigned i = 0; i < 256; ++i) ones[i] = static_cast<uint8_t>((i & 1) + ones[i >> 1]);
    return ones;
}();

// Pixels [from, to) of a packed row (most significant bit first) that show palette entry 1:
// the bytes at either end masked, those between counted whole.
uint32_t countOnes(const uint8_t* row, uint32_t from, uint32_t to) {
    if (from >= to) return 0;
    const uint32_t firstByte = from >> 3, lastByte = (to - 1) >> 3;
    const auto head = static_cast<uint8_t>(0xFFu >> (from & 7));
    const auto tail = static_cast<uint8_t>(0xFFu << (7 - ((to - 1) & 7)));
    if (firstByte == lastByte) return kOnesInByte[row[firstByte] & head & tail];
    uint32_t count = kOnesInByte[row[firstByte] & head] + kOnesInByte[row[lastByte] & tail];
    for (uint32_t b = firstByte + 1; b < lastByte; ++b) count += kOnesInByte[row[b]];
    return count;
}

// The weighted share of entry-1 pixels under one column's coverage. The pixels wholly inside
// it all have the same weight, so they are counted a byte at a time.
float onesUnder(const uint8_t* row, const Coverage& c) {
    const size_t n = c.weights.size();
    if (n <= 2) {
        float share = 0;
        for (size_t m = 0; m < n; ++m) share += c.weights[m] * static_cast<float>(bitAt(row, c.first + static_cast<uint32_t>(m)));
        return share;
    }
    const uint32_t last = c.first + static_cast<uint32_t>(n) - 1;
    return c.weights[0] * static_cast<float>(bitAt(row, c.first)) +
           c.weights[n - 1] * static_cast<float>(bitAt(row, last)) +
           c.weights[1] * static_cast<float>(countOnes(row, c.first + 1, last));
}

// Bilevel frames are reduced straight from their packed bits: an output pixel is the two
// palette colours mixed by the share of its area that shows each. The same sums as the
// general path (up to float rounding), without expanding every pixel to ARGB first.
template <typename RowAt>
void sumBilevelRows(const Frame& frame, const RowAt& rowAt, const Coverage& rc, const std::vector<Coverage>& columns,
                    std::vector<float>& share, std::vector<float>& sum) {
    std::fill(share.begin(), share.end(), 0.0f);
    float rowWeight = 0;
    for (size_t k = 0; k < rc.weights.size(); ++k) {
        const uint8_t* row = rowAt(rc.first + static_cast<uint32_t>(k));
        rowWeight += rc.weights[k];
        for (size_t i = 0; i < columns.size(); ++i) share[i] += rc.weights[k] * onesUnder(row, columns[i]);
    }
    const ARGB c0 = frame.palette.size() > 0 ? frame.palette[0] : 0xFF000000u;
    const ARGB c1 = frame.palette.size() > 1 ? frame.palette[1] : 0xFF000000u;
    const float a0 = static_cast<float>(alphaOf(c0)), a1 = static_cast<float>(alphaOf(c1));
    for (size_t i = 0; i < columns.size(); ++i) {
        float columnWeight = 0;
        for (float w : columns[i].weights) columnWeight += w;
        const float one = share[i], zero = rowWeight * columnWeight - one;
        float* s = &sum[i * 4];
        s[0] = a0 * zero + a1 * one;
        s[1] = a0 * static_cast<float>(redOf(c0)) * zero + a1 * static_cast<float>(redOf(c1)) * one;
        s[2] = a0 * static_cast<float>(greenOf(c0)) * zero + a1 * static_cast<float>(greenOf(c1)) * one;
        s[3] = a0 * static_cast<float>(blueOf(c0)) * zero + a1 * static_cast<float>(blueOf(c1)) * one;
    }
}

// Adds one row of BGR samples (a frame row, or `rows` rows already summed sample by sample)
// to the sums of each column, each channel weighted by `rowWeight` and the column's coverage.
// The pixels wholly inside a column's coverage share one weight, so their samples are
// added as integers and weighted once.
template <typename Sample>
void addRgbColumns(const Sample* row, uint32_t rows, float rowWeight, const std::vector<Coverage>& columns,
                   std::vector<float>& sum) {
    for (size_t i = 0; i < columns.size(); ++i) {
        const Coverage& c = columns[i];
        const size_t n = c.weights.size();
        float channel[3] = {0, 0, 0};
        float total = 0;
        auto edge = [&](size_t m) {
            const Sample* p = row + 3 * (size_t{c.first} + m);
            for (int ch = 0; ch < 3; ++ch) channel[ch] += c.weights[m] * static_cast<float>(p[ch]);
            total += c.weights[m];
        };
        if (n <= 2) {
            for (size_t m = 0; m < n; ++m) edge(m);
        } else {
            edge(0);
            edge(n - 1);
            uint64_t whole[3] = {0, 0, 0};
            const Sample* p = row + 3 * (size_t{c.first} + 1);
            for (size_t m = 1; m + 1 < n; ++m, p += 3) {
                whole[0] += p[0];
                whole[1] += p[1];
                whole[2] += p[2];
            }
            for (int ch = 0; ch < 3; ++ch) channel[ch] += c.weights[1] * static_cast<float>(whole[ch]);
            total += c.weights[1] * static_cast<float>(n - 2);
        }
        // Rgb24 keeps blue, green, red; the sums are alpha, red, green, blue.
        float* s = &sum[i * 4];
        s[0] += rowWeight * static_cast<float>(rows) * total;
        s[1] += rowWeight * channel[2];
        s[2] += rowWeight * channel[1];
        s[3] += rowWeight * channel[0];
    }
}

// Opaque colour frames: the rows wholly inside a row's coverage share one weight too, so
// they are first added sample by sample (a loop the compiler vectorises), and the columns
// are summed once for all of them.
template <typename RowAt>
void sumRgbRows(const Frame& frame, const RowAt& rowAt, const Coverage& rc, const std::vector<Coverage>& columns,
                std::vector<uint32_t>& rowSums, std::vector<float>& sum) {
    const size_t n = rc.weights.size();
    const auto row = [&](size_t k) { return rowAt(rc.first + static_cast<uint32_t>(k)); };
    // 255: the alpha of every pixel.
    if (n <= 2) {
        for (size_t k = 0; k < n; ++k) addRgbColumns(row(k), 1, rc.weights[k] * 255.0f, columns, sum);
        return;
    }
    addRgbColumns(row(0), 1, rc.weights[0] * 255.0f, columns, sum);
    addRgbColumns(row(n - 1), 1, rc.weights[n - 1] * 255.0f, columns, sum);
    const size_t samples = size_t{frame.width} * 3;
    rowSums.assign(samples, 0);
    uint32_t* total = rowSums.data();
    for (size_t k = 1; k + 1 < n; ++k) {
        const uint8_t* samplesOfRow = row(k);
        for (size_t x = 0; x < samples; ++x) total[x] += samplesOfRow[x];
    }
    addRgbColumns(total, static_cast<uint32_t>(n - 2), rc.weights[1] * 255.0f, columns, sum);
}

}  // namespace

GpStatus areaAverage(const Frame& frame, uint32_t width, uint32_t height, Frame& out) {
    if (frame.empty()) return InvalidParameter;
    return areaAverage(rowsOf(frame), width, height, out);
}

GpStatus areaAverage(const PictureRows& rows, uint32_t width, uint32_t height, Frame& out) {
    if (!rowsUsable(rows) || width == 0 || height == 0) return InvalidParameter;
    const Frame& frame = *rows.header;
    GpStatus status = allocateFrame(out, width, height, PixelClass::Argb32);
    if (status != Ok) return status;
    try {
        // Each row is used at once, before the next is asked for.
        std::vector<uint8_t> scratch(rows.made() ? frame.stride : 0);
        const auto rowAt = [&](uint32_t y) { return rows.row(y, scratch.data()); };
        const std::vector<Coverage> columns = coverageTable(frame.width, width);
        const std::vector<Coverage> rowsTable = coverageTable(frame.height, height);
        std::vector<ARGB> sourceRow(frame.width);
        std::vector<float> sum(size_t{width} * 4);
        std::vector<float> share(width);
        std::vector<uint32_t> rowSums;
        const bool bilevel = frame.pixelClass == PixelClass::Indexed1;
        const bool rgb = frame.pixelClass == PixelClass::Rgb24;
        for (uint32_t j = 0; j < height; ++j) {
            std::fill(sum.begin(), sum.end(), 0.0f);
            const Coverage& rc = rowsTable[j];
            if (bilevel) sumBilevelRows(frame, rowAt, rc, columns, share, sum);
            if (rgb) sumRgbRows(frame, rowAt, rc, columns, rowSums, sum);
            for (size_t k = 0; k < rc.weights.size() && !bilevel && !rgb; ++k) {
                readArgbPixels(frame, rowAt(rc.first + static_cast<uint32_t>(k)), 0, frame.width, sourceRow.data());
                for (uint32_t i = 0; i < width; ++i) {
                    const Coverage& cc = columns[i];
                    float a = 0, r = 0, g = 0, b = 0;
                    for (size_t m = 0; m < cc.weights.size(); ++m) {
                        const ARGB c = sourceRow[cc.first + m];
                        const float wa = cc.weights[m] * static_cast<float>(alphaOf(c));
                        a += wa;
                        r += wa * static_cast<float>(redOf(c));
                        g += wa * static_cast<float>(greenOf(c));
                        b += wa * static_cast<float>(blueOf(c));
                    }
                    float* s = &sum[size_t{i} * 4];
                    const float w = rc.weights[k];
                    s[0] += w * a;
                    s[1] += w * r;
                    s[2] += w * g;
                    s[3] += w * b;
                }
            }
            auto* dst = reinterpret_cast<uint32_t*>(out.row(j));
            for (uint32_t i = 0; i < width; ++i) {
                const float* s = &sum[size_t{i} * 4];
                if (s[0] <= 0.0f) {
                    dst[i] = 0;
                    continue;
                }
                auto level = [](float v) {
                    return static_cast<uint32_t>(std::clamp(std::lrint(v), 0L, 255L));
                };
                dst[i] = packArgb(level(s[0]), level(s[1] / s[0]), level(s[2] / s[0]),
                              level(s[3] / s[0]));
            }
        }
    } catch (const std::bad_alloc&) {
        out = Frame{};
        return OutOfMemory;
    }
    out.dpiX = frame.dpiX;
    out.dpiY = frame.dpiY;
    return Ok;
}

}  // namespace gdip
