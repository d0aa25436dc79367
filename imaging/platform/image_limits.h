// Bounds that every decoder and every new bitmap is checked against before memory is taken.
// A file that claims more is refused as undecodable rather than attempted.
#pragma once

#include <cstdint>

namespace gdip {

struct Limits {
    // A bound on the arithmetic of one picture rather than on its memory, which is counted in
    // bytes of its class below: a 30000 x 30000 drawing at one bit a pixel (112 MB) opens.
    static constexpr uint64_t kMaxFramePixels = (uint64_t{1} << 31) - 1;
    static constexpr uint32_t kMaxSide = 1u << 20;
    // One decoded frame or bitmap in its pixel class: a 12000 x 12000 RGB scan (432 MB)
    // still opens, a 16384 x 16384 ARGB canvas that a few bytes of GIF can declare does not.
    static constexpr uint64_t kMaxFrameBytes = uint64_t{512} << 20;
    // Far beyond any real document; it only bounds the time a page count may take.
    static constexpr uint32_t kMaxFrames = 1u << 20;
    // One allocation inside libtiff or libpng (a strip, a chunk); real files stay far below.
    static constexpr uint64_t kMaxCodecAllocation = uint64_t{256} << 20;
    // Resolutions beyond this many dots per inch are absurd and treated as absent.
    static constexpr double kMaxResolutionDpi = 1e6;
    // Drawing coordinates and sizes beyond this are refused rather than converted.
    static constexpr float kMaxCoordinate = 1e9f;
    static constexpr float kMaxPenWidth = 1e6f;
    // A progressive JPEG with more scans than this is hostile, not a photograph.
    static constexpr int kMaxJpegScans = 1000;
};

// True when a frame of this size may be allocated at all, in the smallest class (one bit a
// pixel); the class a decoder then picks is checked against kMaxFrameBytes when it allocates.
inline bool frameSizeAllowed(uint64_t width, uint64_t height) {
    return width > 0 && height > 0 && width <= Limits::kMaxSide && height <= Limits::kMaxSide &&
           width * height <= Limits::kMaxFramePixels && (width + 31) / 32 * 4 * height <= Limits::kMaxFrameBytes;
}

}  // namespace gdip
