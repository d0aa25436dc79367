// Pages stored turned (a phone photo held sideways, a scan fed upside down) are shown and
// written upright: the stored orientation is applied to the decoded pixels.
#pragma once

#include <cstdint>

#include "raster.h"

namespace gdip {

// Whether a page stored with `orientation` (1 to 8) is upright only when width and height
// trade places.
inline bool orientationSwapsSides(uint16_t orientation) { return orientation >= 5 && orientation <= 8; }

// Replaces `frame` by its upright picture as `frame.meta.orientation` asks; 1 and values
// outside 1 to 8 leave it as it is. On failure (no memory for the turned copy) the frame is
// left as decoded and the status says why.
[[nodiscard]] GpStatus turnUpright(Frame& frame);

}  // namespace gdip
