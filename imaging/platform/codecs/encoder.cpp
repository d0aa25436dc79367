// An encoder for each output format, and the rule every single-picture format shares.
#include "codec.h"
#include "pdf/pdf_writer.h"

namespace gdip::codecs {

GpStatus SinglePictureEncoder::addFrame(const Frame& frame) {
    if (m_written) return WrongState;
    if (frame.empty()) return InvalidParameter;
    m_written = true;
    return write(frame);
}

GpStatus SinglePictureEncoder::addRows(const PictureRows& rows) {
    if (m_written) return WrongState;
    if (!rows.header || rows.header->width == 0 || rows.header->height == 0 ||
        rows.header->pixelClass != PixelClass::Rgb24 || (!rows.made() && rows.header->empty()))
        return InvalidParameter;
    const GpStatus status = writeRows(rows);
    // A format that needs the picture whole has written nothing: the picture may still come.
    if (status != NotImplemented) m_written = true;
    return status;
}

std::unique_ptr<Encoder> createEncoder(EncoderKind kind, std::FILE* stream,
                                       const EncodeOptions& options, GpStatus& status) {
    switch (kind) {
        case EncoderKind::Bmp: return createBmpEncoder(stream, status);
        case EncoderKind::Jpeg: return createJpegEncoder(stream, options, status);
        case EncoderKind::Gif: return createGifEncoder(stream, status);
        case EncoderKind::Tiff: return createTiffEncoder(stream, options.tiffCompression, options.bigTiff, status);
        case EncoderKind::Png: return createPngEncoder(stream, options, status);
        case EncoderKind::Pdf: return createPdfWriter(stream, options.pdfDpi, status);
    }
    status = InvalidParameter;
    return nullptr;
}

}  // namespace gdip::codecs
