#include "fit_rule.h"

#include <cmath>

namespace orvelle {

ViewerPlacement placePicture(uint32_t width, uint32_t height, int32_t areaWidth, int32_t areaHeight) {
    ViewerPlacement place;
    if (width == 0 || height == 0 || areaWidth <= 0 || areaHeight <= 0) return place;
    if (int64_t{width} < areaWidth && int64_t{height} < areaHeight) {
        place.width = static_cast<int32_t>(width);
        place.height = static_cast<int32_t>(height);
        place.left = (areaWidth - place.width) / 2;
        place.top = (areaHeight - place.height) / 2;
        return place;
    }
    const double areaRatio = static_cast<double>(areaWidth) / areaHeight;
    const double pictureRatio = static_cast<double>(width) / height;
    // nearbyint rounds half to even in the default rounding mode.
    if (pictureRatio > areaRatio) {
        const double scale = static_cast<double>(width) / areaWidth;
        const double quotient = height / scale;
        place.width = areaWidth;
        place.height = static_cast<int32_t>(std::nearbyint(quotient));
        place.top = (areaHeight - place.height) / 2;
    } else {
        const double scale = static_cast<double>(height) / areaHeight;
        const double quotient = width / scale;
        place.width = static_cast<int32_t>(std::nearbyint(quotient));
        place.height = areaHeight;
        place.left = (areaWidth - place.width) / 2;
    }
    return place;
}

}  // namespace orvelle
