#include "gif_palette.h"

#include <algorithm>
#include <array>
#include <new>
#include <unordered_map>

#include "../argb.h"

namespace gdip::codecs {
namespace {

constexpr uint32_t kTransparentKey = 0x01000000u;  // no opaque colour has this value

inline uint32_t keyOf(ARGB c) { return (c >> 24) < 128 ? kTransparentKey : (c & 0x00FFFFFFu); }

// Exact palette when the frame has at most 256 keys; false when it has more.
bool exactPalette(const Frame& frame, IndexedPicture& out) {
    std::unordered_map<uint32_t, uint8_t> index;
    std::vector<ARGB> line(frame.width);
    uint32_t lastKey = 0xFFFFFFFFu;
    uint8_t lastIndex = 0;
    for (uint32_t y = 0; y < frame.height; ++y) {
        readArgbRow(frame, y, 0, frame.width, line.data());
        uint8_t* dst = &out.indices[size_t{y} * frame.width];
        for (uint32_t x = 0; x < frame.width; ++x) {
            const uint32_t key = keyOf(line[x]);
            if (key != lastKey) {
                auto found = index.find(key);
                if (found == index.end()) {
                    if (index.size() == 256) return false;
                    const auto next = static_cast<uint8_t>(index.size());
                    found = index.emplace(key, next).first;
                    if (key == kTransparentKey) {
                        out.transparent = next;
                        out.palette.push_back(0xFF000000u);
                    } else {
                        out.palette.push_back(0xFF000000u | key);
                    }
                }
                lastKey = key;
                lastIndex = found->second;
            }
            dst[x] = lastIndex;
        }
    }
    return true;
}

// --- median cut over a 5-bit-per-channel histogram -----------------------------------------

constexpr int kLevels = 32;
inline int cell(int r, int g, int b) { return (r << 10) | (g << 5) | b; }

struct Box {
    std::array<int, 3> low{}, high{};  // inclusive cell bounds per channel
    uint64_t count = 0;
};

struct Histogram {
    std::vector<uint32_t> count = std::vector<uint32_t>(kLevels * kLevels * kLevels, 0);
    std::vector<std::array<uint64_t, 3>> sum =
        std::vector<std::array<uint64_t, 3>>(kLevels * kLevels * kLevels, {0, 0, 0});
};

void shrink(const Histogram& h, Box& box) {
    std::array<int, 3> low{kLevels, kLevels, kLevels}, high{-1, -1, -1};
    box.count = 0;
    for (int r = box.low[0]; r <= box.high[0]; ++r)
        for (int g = box.low[1]; g <= box.high[1]; ++g)
            for (int b = box.low[2]; b <= box.high[2]; ++b) {
                const uint32_t n = h.count[cell(r, g, b)];
                if (!n) continue;
                box.count += n;
                const int v[3] = {r, g, b};
                for (int c = 0; c < 3; ++c) {
                    low[c] = std::min(low[c], v[c]);
                    high[c] = std::max(high[c], v[c]);
                }
            }
    if (box.count) {
        box.low = low;
        box.high = high;
    }
}

// Splits `box` at the median of its longest side; false when it is a single cell.
bool split(const Histogram& h, Box& box, Box& other) {
    int axis = 0;
    for (int c = 1; c < 3; ++c)
        if (box.high[c] - box.low[c] > box.high[axis] - box.low[axis]) axis = c;
    if (box.high[axis] == box.low[axis]) return false;
    std::vector<uint64_t> plane(kLevels, 0);
    for (int r = box.low[0]; r <= box.high[0]; ++r)
        for (int g = box.low[1]; g <= box.high[1]; ++g)
            for (int b = box.low[2]; b <= box.high[2]; ++b) {
                const int v[3] = {r, g, b};
                plane[v[axis]] += h.count[cell(r, g, b)];
            }
    uint64_t running = 0;
    int cut = box.low[axis];
    for (int i = box.low[axis]; i < box.high[axis]; ++i) {
        running += plane[i];
        cut = i;
        if (running * 2 >= box.count) break;
    }
    other = box;
    box.high[axis] = cut;
    other.low[axis] = cut + 1;
    shrink(h, box);
    shrink(h, other);
    return true;
}

ARGB meanColour(const Histogram& h, const Box& box) {
    uint64_t n = 0, s[3] = {0, 0, 0};
    for (int r = box.low[0]; r <= box.high[0]; ++r)
        for (int g = box.low[1]; g <= box.high[1]; ++g)
            for (int b = box.low[2]; b <= box.high[2]; ++b) {
                const int i = cell(r, g, b);
                n += h.count[i];
                for (int c = 0; c < 3; ++c) s[c] += h.sum[i][c];
            }
    if (!n) return 0xFF000000u;
    return opaque(static_cast<uint32_t>((s[0] + n / 2) / n), static_cast<uint32_t>((s[1] + n / 2) / n),
                  static_cast<uint32_t>((s[2] + n / 2) / n));
}

void medianCut(const Frame& frame, IndexedPicture& out, bool anyTransparent) {
    Histogram h;
    std::vector<ARGB> line(frame.width);
    for (uint32_t y = 0; y < frame.height; ++y) {
        readArgbRow(frame, y, 0, frame.width, line.data());
        for (uint32_t x = 0; x < frame.width; ++x) {
            const ARGB c = line[x];
            if ((c >> 24) < 128) continue;
            const int r = (c >> 16) & 255, g = (c >> 8) & 255, b = c & 255;
            const int i = cell(r >> 3, g >> 3, b >> 3);
            ++h.count[i];
            h.sum[i][0] += r;
            h.sum[i][1] += g;
            h.sum[i][2] += b;
        }
    }
    const size_t wanted = anyTransparent ? 255 : 256;
    std::vector<Box> boxes(1);
    boxes[0].low = {0, 0, 0};
    boxes[0].high = {kLevels - 1, kLevels - 1, kLevels - 1};
    shrink(h, boxes[0]);
    while (boxes.size() < wanted) {
        // Split the most populous box that can still be split.
        size_t best = boxes.size();
        for (size_t i = 0; i < boxes.size(); ++i) {
            const Box& b = boxes[i];
            const bool splittable = b.high[0] > b.low[0] || b.high[1] > b.low[1] || b.high[2] > b.low[2];
            if (splittable && (best == boxes.size() || b.count > boxes[best].count)) best = i;
        }
        if (best == boxes.size()) break;
        Box other;
        if (!split(h, boxes[best], other)) break;
        boxes.push_back(other);
    }
    for (const Box& b : boxes) out.palette.push_back(meanColour(h, b));
    if (anyTransparent) {
        out.transparent = static_cast<int>(out.palette.size());
        out.palette.push_back(0xFF000000u);
    }

    // Nearest palette entry for every cell, then Floyd-Steinberg over the picture.
    const size_t opaqueCount = boxes.size();
    std::vector<uint8_t> nearest(kLevels * kLevels * kLevels);
    for (int r = 0; r < kLevels; ++r)
        for (int g = 0; g < kLevels; ++g)
            for (int b = 0; b < kLevels; ++b) {
                const int cr = r * 8 + 4, cg = g * 8 + 4, cb = b * 8 + 4;
                int bestDistance = INT32_MAX, best = 0;
                for (size_t i = 0; i < opaqueCount; ++i) {
                    const ARGB p = out.palette[i];
                    const int dr = cr - int((p >> 16) & 255), dg = cg - int((p >> 8) & 255),
                              db = cb - int(p & 255);
                    const int d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
                    if (d < bestDistance) bestDistance = d, best = static_cast<int>(i);
                }
                nearest[cell(r, g, b)] = static_cast<uint8_t>(best);
            }
    const size_t width = frame.width;
    std::vector<std::array<int, 3>> errorThis(width + 2, {0, 0, 0}), errorNext(width + 2, {0, 0, 0});
    for (uint32_t y = 0; y < frame.height; ++y) {
        readArgbRow(frame, y, 0, frame.width, line.data());
        std::fill(errorNext.begin(), errorNext.end(), std::array<int, 3>{0, 0, 0});
        const bool forward = y % 2 == 0;
        uint8_t* dst = &out.indices[y * width];
        for (size_t step = 0; step < width; ++step) {
            const size_t x = forward ? step : width - 1 - step;
            const ARGB c = line[x];
            if ((c >> 24) < 128) {
                dst[x] = static_cast<uint8_t>(out.transparent);
                continue;
            }
            int want[3] = {int((c >> 16) & 255), int((c >> 8) & 255), int(c & 255)};
            for (int k = 0; k < 3; ++k) want[k] = std::clamp(want[k] + errorThis[x + 1][k] / 16, 0, 255);
            const uint8_t index = nearest[cell(want[0] >> 3, want[1] >> 3, want[2] >> 3)];
            dst[x] = index;
            const ARGB p = out.palette[index];
            const int got[3] = {int((p >> 16) & 255), int((p >> 8) & 255), int(p & 255)};
            const long ahead = forward ? 1 : -1;
            for (int k = 0; k < 3; ++k) {
                const int e = want[k] - got[k];
                errorThis[x + 1 + ahead][k] += e * 7;
                errorNext[x + 1 - ahead][k] += e * 3;
                errorNext[x + 1][k] += e * 5;
                errorNext[x + 1 + ahead][k] += e;
            }
        }
        std::swap(errorThis, errorNext);
    }
}

}  // namespace

GpStatus toIndexed(const Frame& frame, IndexedPicture& out) {
    out = IndexedPicture{};
    if (frame.empty()) return InvalidParameter;
    try {
        out.width = frame.width;
        out.height = frame.height;
        out.indices.resize(size_t{frame.width} * frame.height);
        if (exactPalette(frame, out)) return Ok;
        out.palette.clear();
        out.transparent = -1;
        bool anyTransparent = false;
        std::vector<ARGB> line(frame.width);
        for (uint32_t y = 0; y < frame.height && !anyTransparent; ++y) {
            readArgbRow(frame, y, 0, frame.width, line.data());
            for (ARGB c : line)
                if ((c >> 24) < 128) {
                    anyTransparent = true;
                    break;
                }
        }
        medianCut(frame, out, anyTransparent);
        return Ok;
    } catch (const std::bad_alloc&) {
        out = IndexedPicture{};
        return OutOfMemory;
    }
}

}  // namespace gdip::codecs
