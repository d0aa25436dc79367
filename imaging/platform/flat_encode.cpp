// Saving. The encoders are not part of this build yet: every save is refused with
// NotImplemented and writes nothing, so callers see a failed save rather than a bad file.
#include "handles.h"

namespace gdip {

GpStatus GdipSaveImageToFile(GpImage* image, const char16_t* filename, const GUID* clsidEncoder,
                             const EncoderParameters*) {
    if (!image || !filename || !clsidEncoder) return InvalidParameter;
    return NotImplemented;
}

GpStatus GdipSaveAddImage(GpImage* image, GpImage* newImage, const EncoderParameters*) {
    if (!image || !newImage) return InvalidParameter;
    return NotImplemented;
}

}  // namespace gdip
