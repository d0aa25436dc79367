// What the opaque handles of the flat interface stand for.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "codecs/codec.h"
#include "copier/copy_source.h"
#include "codecs/pdf/pdf_writer.h"
#include "codecs/tiff/tiff_page_writer.h"
#include "codecs/output_file.h"
#include "gdiplus_flat.h"
#include "raster.h"
#include "surface.h"

namespace gdip {

// A multi-frame TIFF being written: open from the first save until the image is disposed
// (or, for pages copied as stored, until the copy is).
struct MultiFrameSave {
    codecs::OutputFile file;
    std::unique_ptr<codecs::Encoder> encoder;  // declared after the file it writes to
    bool broken = false;
    // Why the file could not be written when the encoder knew better than a status can say
    // (its temporary file, a source that changed); empty otherwise.
    std::string failure;

    // What adding a page came to: a refused page leaves the file as it was; a failed write
    // leaves it unusable, and says why as far as a status can.
    [[nodiscard]] GpStatus afterAdd(GpStatus status);
    // Completes the file and puts it in place, or drops it when it cannot be completed.
    [[nodiscard]] GpStatus complete();
};

struct SaveRequest;

// Creates `filename` holding what `add` gives a new encoder of `kind`; when that fails, the
// unfinished file goes with `save`. Win32Error comes back as the file's own failure.
[[nodiscard]] GpStatus saveOnePicture(const char16_t* filename, codecs::EncoderKind kind, const SaveRequest& request,
                                      const std::function<GpStatus(codecs::Encoder&)>& add,
                                      std::unique_ptr<MultiFrameSave>& save);

// What a frame carries besides its pixels, as GdipGetImageFacts reports it.
ImageFacts factsOfFrame(const Frame& frame, UINT reducedImages);

struct GpImage {
    std::unique_ptr<codecs::Decoder> decoder;  // null for bitmaps made in memory
    GUID rawFormat{};
    GUID dimension{};
    uint32_t frameCount = 1;
    uint32_t activeFrame = 0;
    Frame frame;  // the active frame, the only one held
    GpStatus frameStatus = Ok;  // why `frame` is empty when its decoding failed
    std::unique_ptr<MultiFrameSave> multiFrameSave;
};

// An image whose active frame failed to decode has no pixels to offer.
inline GpStatus checkFrame(const GpImage* image) {
    if (!image) return InvalidParameter;
    if (!image->frame.empty()) return Ok;
    return image->frameStatus != Ok ? image->frameStatus : WrongState;
}

struct GpPageSource {
    std::unique_ptr<codecs::CopySource> source;
};

struct GpStoredPageWriter {
    MultiFrameSave save;
    // save.encoder, as the copier sees it: one of the two.
    codecs::TiffPageWriter* tiff = nullptr;
    codecs::PdfWriter* pdf = nullptr;
};

struct GpGraphics {
    Surface surface;
    InterpolationMode mode = InterpolationModeBilinear;
};

struct GpPen {
    ARGB color = 0;
    REAL width = 1;
};

struct GpBrush {
    ARGB color = 0;
};

// True while a session is open; creating objects outside one fails.
bool sessionOpen();

}  // namespace gdip
