// Pages stored turned (a phone photo held sideways, a scan fed upside down) are shown and
// written upright: the stored orientation is applied to the decoded pixels.
#pragma once

#include <cstddef>
#include <cstdint>

#include "raster.h"

namespace gdip {

// Whether a page stored with `orientation` (1 to 8) is upright only when width and height
// trade places.
inline bool orientationSwapsSides(uint16_t orientation) { return orientation >= 5 && orientation <= 8; }

// Whether `orientation` shows the stored picture mirrored (2, 4, 5, 7).
inline bool orientationMirrors(uint16_t orientation) {
    return orientation == 2 || orientation == 4 || orientation == 5 || orientation == 7;
}

// The orientation of a page stored as `orientation` says, once what it shows is turned by
// `quarterTurns` quarters clockwise (negative: anticlockwise).
uint16_t turnedOrientation(uint16_t orientation, int quarterTurns);

// The quarter turns, clockwise, that the rows of a page stored with `orientation` take so
// that, keeping that orientation, it shows turned by `quarterTurns`: the same turn, or the
// opposite one under a mirror.
int storedQuarterTurns(uint16_t orientation, int quarterTurns);

// Pixels of `bits` bits (1, 2 or 4, or whole bytes), `width` × `height` in rows
// `inStride` bytes apart, laid out as `orientation` shows them into `out`, whose rows are
// `outStride` bytes apart and zeroed by the caller, and whose sides trade places when
// orientationSwapsSides(orientation).
void turnPixels(const uint8_t* in, size_t inStride, uint32_t width, uint32_t height, uint32_t bits,
                uint16_t orientation, uint8_t* out, size_t outStride);

// Replaces `frame` by its upright picture as `frame.meta.orientation` asks; 1 and values
// outside 1 to 8 leave it as it is. On failure (no memory for the turned copy) the frame is
// left as decoded and the status says why.
[[nodiscard]] GpStatus turnUpright(Frame& frame);

// Turns the picture `frame` shows by `quarterTurns` quarters clockwise; its own
// orientation, already applied, stays as it was.
[[nodiscard]] GpStatus turnFrame(Frame& frame, int quarterTurns);

}  // namespace gdip
