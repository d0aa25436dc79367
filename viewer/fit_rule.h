// Where the viewer shows a picture inside its fit area: at its natural size when it is
// smaller both ways, else reduced to the area's width or height with its aspect kept,
// centred. Never enlarged.
#pragma once

#include <cstdint>

namespace orvelle {

struct ViewerPlacement {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// For a picture of `width` x `height` (both above 0) and a fit area of `areaWidth` x
// `areaHeight`. The scale and the quotient are doubles, rounded half to even; the halving
// truncates. Equal ratios fit to the height.
ViewerPlacement placePicture(uint32_t width, uint32_t height, int32_t areaWidth, int32_t areaHeight);

}  // namespace orvelle
