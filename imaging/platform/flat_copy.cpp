// Pages copied as stored into a TIFF: the flat face of the copier (copier/copy_source.h).
#include <new>
#include <string>

#include "encoder_parameters.h"
#include "handles.h"
#include "text_utf8.h"

namespace gdip {

GpStatus GdipOpenPageSource(const char16_t* filename, const GUID* clsidEncoder, GpPageSource** source, UINT* pages,
                            std::string* reason) {
    std::string ignored;
    if (!reason) reason = &ignored;
    reason->clear();
    if (!source || !pages || !filename || !*filename) return InvalidParameter;
    *source = nullptr;
    *pages = 0;
    if (!sessionOpen()) return GdiplusNotInitialized;
    try {
        GpStatus status = Ok;
        const bool intoPdf = clsidEncoder && encoderKindOf(clsidEncoder) == codecs::EncoderKind::Pdf;
        auto opened = codecs::CopySource::open(utf8FromUtf16(filename), intoPdf, status, *reason);
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

GpStatus GdipCreateStoredPageWriter(const char16_t* filename, const GUID* clsidEncoder, const EncoderParameters* encoderParams,
                            GpStoredPageWriter** copy) {
    if (!copy || !filename || !*filename) return InvalidParameter;
    *copy = nullptr;
    if (!sessionOpen()) return GdiplusNotInitialized;
    SaveRequest request;
    if (const GpStatus status = readParameters(encoderParams, request); status != Ok) return status;
    const auto kind = encoderKindOf(clsidEncoder);
    if (kind != codecs::EncoderKind::Pdf && kind != codecs::EncoderKind::Tiff) return FileNotFound;
    try {
        auto made = std::make_unique<GpStoredPageWriter>();
        GpStatus status = made->save.file.create(utf8FromUtf16(filename));
        if (status != Ok) return status;
        if (kind == codecs::EncoderKind::Pdf) {
            std::unique_ptr<codecs::PdfWriter> writer =
                codecs::createPdfWriter(made->save.file.stream(), request.options.pdfDpi, status);
            if (!writer) return status;
            made->pdf = writer.get();
            made->save.encoder = std::move(writer);
        } else {
            // Pages that must be decoded are written losslessly, as small as deflate makes them.
            std::unique_ptr<codecs::TiffPageWriter> writer = codecs::createTiffPageWriter(
                made->save.file.stream(), codecs::TiffCompression::Deflate, request.options.bigTiff, status);
            if (!writer) return status;
            made->tiff = writer.get();
            made->save.encoder = std::move(writer);
        }
        *copy = made.release();
        return Ok;
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
}

GpStatus GdipStoredPageWriterAdd(GpStoredPageWriter* copy, GpPageSource* source, UINT page, INT quarterTurns,
                                 INT* copied, std::string* note) {
    std::string ignored;
    if (!note) note = &ignored;
    note->clear();
    if (!copy || !source || !copied) return InvalidParameter;
    *copied = 0;
    if (!copy->save.encoder) return WrongState;
    if (copy->save.broken) return copy->save.file.writeFailure();
    try {
        bool asStored = false;
        const GpStatus status = copy->pdf ? source->source->addTo(page, quarterTurns, *copy->pdf, asStored, *note)
                                          : source->source->addTo(page, quarterTurns, *copy->tiff, asStored, *note);
        *copied = asStored ? 1 : 0;
        return copy->save.afterAdd(status);
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
}

GpStatus GdipStoredPageWriterFinish(GpStoredPageWriter* copy) {
    if (!copy) return InvalidParameter;
    if (!copy->save.encoder) return WrongState;
    copy->tiff = nullptr;
    copy->pdf = nullptr;
    return copy->save.complete();
}

GpStatus GdipGetStoredPageWriterFailure(GpStoredPageWriter* copy, std::string* failure) {
    if (!copy || !failure) return InvalidParameter;
    *failure = copy->save.failure;
    return Ok;
}

GpStatus GdipDisposeStoredPageWriter(GpStoredPageWriter* copy) {
    if (!copy) return InvalidParameter;
    delete copy;  // the writer goes first, then its unfinished file
    return Ok;
}

}  // namespace gdip
