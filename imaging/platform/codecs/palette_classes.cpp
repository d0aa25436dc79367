#include "palette_classes.h"

#include "../raster.h"

namespace gdip::codecs {

PaletteShape paletteShape(const std::vector<ARGB>& palette, unsigned bits) {
    const std::vector<ARGB> ramp = greyPalette(bits);
    if (palette == ramp) return PaletteShape::GreyRising;
    if (palette.size() == ramp.size() && std::equal(palette.begin(), palette.end(), ramp.rbegin()))
        return PaletteShape::GreyFalling;
    return PaletteShape::Colour;
}

bool paletteOpaque(const std::vector<ARGB>& palette) {
    for (ARGB c : palette)
        if ((c >> 24) != 255) return false;
    return true;
}

}  // namespace gdip::codecs
