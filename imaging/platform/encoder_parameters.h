// What an encoder parameter block asks of a save.
#pragma once

#include <cstdint>

#include "codecs/codec.h"
#include "gdiplus_flat.h"

namespace gdip {

struct SaveRequest {
    codecs::EncodeOptions options;
    uint32_t saveFlag = 0;
};

// Reads `parameters` (null asks for nothing) into `request`; unknown parameters are ignored,
// known ones with values out of range refused with InvalidParameter.
[[nodiscard]] GpStatus readParameters(const EncoderParameters* parameters, SaveRequest& request);

}  // namespace gdip
