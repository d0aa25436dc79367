// What an encoder parameter block asks of a save.
#pragma once

#include <cstdint>
#include <optional>

#include "codecs/codec.h"
#include "gdiplus_flat.h"

namespace gdip {

struct SaveRequest {
    codecs::EncodeOptions options;
    uint32_t saveFlag = 0;
};

// The kind of the encoder of class `clsid`; TIFF for null, nothing for an unknown class.
std::optional<codecs::EncoderKind> encoderKindOf(const GUID* clsid);

// Reads `parameters` (null asks for nothing) into `request`; unknown parameters are ignored,
// known ones with values out of range refused with InvalidParameter.
[[nodiscard]] GpStatus readParameters(const EncoderParameters* parameters, SaveRequest& request);

}  // namespace gdip
