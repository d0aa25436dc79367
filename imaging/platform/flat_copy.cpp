// Pages copied as stored into a TIFF: the flat face of the copier (codecs/copy_source.h).
#include <new>
#include <string>

#include "encoder_parameters.h"
#include "handles.h"
#include "text_utf8.h"

namespace gdip {

GpStatus GdipOpenPageSource(const char16_t* filename, GpPageSource** source, UINT* pages, std::string* reason) {
    std::string ignored;
    if (!reason) reason = &ignored;
    reason->clear();
    if (!source || !pages || !filename || !*filename) return InvalidParameter;
    *source = nullptr;
    *pages = 0;
    if (!sessionOpen()) return GdiplusNotInitialized;
    try {
        GpStatus status = Ok;
        auto opened = codecs::CopySource::open(utf8FromUtf16(filename), status, *reason);
        if (!opened) return status == Ok ? UnknownImageFormat : status;
        if (opened->pages() == 0) return UnknownImageFormat;
        *pages = opened->pages();
        *source = new GpPageSource{std::move(opened)};
        return Ok;
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
}

GpStatus GdipDisposePageSource(GpPageSource* source) {
    if (!source) return InvalidParameter;
    delete source;
    return Ok;
}

GpStatus GdipCreatePageCopy(const char16_t* filename, const EncoderParameters* encoderParams, GpPageCopy** copy) {
    if (!copy || !filename || !*filename) return InvalidParameter;
    *copy = nullptr;
    if (!sessionOpen()) return GdiplusNotInitialized;
    SaveRequest request;
    if (const GpStatus status = readParameters(encoderParams, request); status != Ok) return status;
    try {
        auto made = std::make_unique<GpPageCopy>();
        GpStatus status = made->file.create(utf8FromUtf16(filename));
        if (status != Ok) return status;
        // Pages that must be decoded are written losslessly, as small as deflate makes them.
        made->writer = codecs::createTiffPageWriter(made->file.stream(), codecs::TiffCompression::Deflate,
                                                    request.options.bigTiff, status);
        if (!made->writer) return status;
        *copy = made.release();
        return Ok;
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
}

GpStatus GdipPageCopyAdd(GpPageCopy* copy, GpPageSource* source, UINT page, INT* copied, std::string* note) {
    std::string ignored;
    if (!note) note = &ignored;
    note->clear();
    if (!copy || !source || !copied) return InvalidParameter;
    *copied = 0;
    if (!copy->writer) return WrongState;
    if (copy->broken) return copy->file.writeFailure();
    try {
        bool asStored = false;
        const GpStatus status = source->source->addTo(page, *copy->writer, asStored, *note);
        *copied = asStored ? 1 : 0;
        // A refused page leaves the file as it was; a failed write leaves it unusable.
        if (status != Win32Error) return status;
        copy->broken = true;
        return copy->file.writeFailure();
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
}

GpStatus GdipPageCopyFinish(GpPageCopy* copy) {
    if (!copy) return InvalidParameter;
    if (!copy->writer) return WrongState;
    GpStatus status = copy->broken ? Win32Error : copy->writer->finish();
    copy->writer.reset();
    if (status == Win32Error) status = copy->file.writeFailure();
    if (status == Ok) return copy->file.commit();
    copy->file.abandon();
    return status;
}

GpStatus GdipDisposePageCopy(GpPageCopy* copy) {
    if (!copy) return InvalidParameter;
    delete copy;  // the writer goes first, then its unfinished file
    return Ok;
}

}  // namespace gdip
