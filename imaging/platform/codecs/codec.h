// One decoder per file format behind one interface. A decoder holds the open file and at
// most the state needed to reach the next frame; the caller holds the one decoded frame.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <new>
#include <string>

#include "../gdiplus_flat.h"
#include "../raster.h"
#include "failure_reason.h"
#include "file_handle.h"

namespace gdip::codecs {

// A frame read a band of rows at a time: everything but its pixels, and its rows as they are
// asked for, so that it is never whole in memory. Filled in place: `rows` points at `header`.
struct FrameRows {
    Frame header;
    PictureRows rows;
    // Once the rows are made: why one of them could not be read (the first such), handed on
    // zeroed; empty when every row was read.
    std::function<std::string()> failure;

    FrameRows() = default;
    FrameRows(const FrameRows&) = delete;
    FrameRows& operator=(const FrameRows&) = delete;
};

class Decoder {
public:
    virtual ~Decoder() = default;
    virtual const GUID& rawFormat() const = 0;
    // FrameDimensionPage for documents, FrameDimensionTime for animations.
    virtual const GUID& frameDimension() const = 0;
    virtual uint32_t frameCount() const = 0;
    // Reduced-resolution copies of pages (previews) the file holds besides its frames.
    virtual uint32_t reducedImages() const { return 0; }
    // Decodes frame `index` (< frameCount()) into `out`, replacing what it held: `out` may
    // come in holding the frame this decoder delivered before, which is released first (or,
    // for an animation, reused as the canvas of the next frame). On failure `out` is empty
    // and its `failure` says why, when the library said.
    [[nodiscard]] GpStatus readFrame(uint32_t index, Frame& out);
    // The same with the rows as stored, not turned upright: for a file inside another whose
    // own page says how it is turned (a JPEG in a PDF).
    [[nodiscard]] GpStatus readFrameAsStored(uint32_t index, Frame& out);
    // Frame `index` with its 16-bit samples as stored, for an output that keeps them; frames
    // of 8 bits or fewer, and layouts a decoder has no deep reading of, are NotImplemented.
    // A decoded frame's pixels are upright: a page stored turned is NotImplemented too.
    [[nodiscard]] virtual GpStatus readDeepFrame(uint32_t /*index*/, DeepFrame& /*out*/) { return NotImplemented; }
    // Frame `index` read by bands as its rows are asked for, upright as readFrame gives it;
    // NotImplemented for the pages a decoder reads only whole (and then reads them so), and,
    // before any work beyond its header, for a page whose frame would take fewer than
    // `fromBytes`. Turned by `quarterTurns` quarters clockwise besides, as turnFrame turns a
    // frame. On failure `out.header.failure` says why, when the library said.
    [[nodiscard]] GpStatus readFrameRows(uint32_t index, FrameRows& out, uint64_t fromBytes = 0, int quarterTurns = 0);
    // Frame `index`'s size from its header, as it is shown, without decoding it; false when a
    // decoder cannot tell so.
    virtual bool frameSize(uint32_t /*index*/, uint32_t& /*width*/, uint32_t& /*height*/) { return false; }
    // The text frame `index` carries of its own beside its pixels (a PDF page's).
    virtual FrameText frameText(uint32_t /*index*/) { return FrameText::None; }
    // Why opening the file failed, when the library said.
    const std::string& openFailure() const { return m_failure.text(); }

protected:
    [[nodiscard]] virtual GpStatus decodeFrame(uint32_t index, Frame& out) = 0;
    [[nodiscard]] virtual GpStatus decodeFrameRows(uint32_t /*index*/, FrameRows& /*out*/, uint64_t /*fromBytes*/,
                                                   int /*quarterTurns*/) {
        return NotImplemented;
    }
    // Where a decoder and its library's error handlers put what went wrong; cleared before
    // each frame. A decoder that reads frames on other threads words their failures itself.
    FailureNote& failure() { return m_failure; }

private:
    FailureNote m_failure;
};

// Formats that hold one picture: one frame, a page.
class SinglePictureDecoder : public Decoder {
public:
    const GUID& frameDimension() const final { return FrameDimensionPage; }
    uint32_t frameCount() const final { return 1; }

protected:
    GpStatus decodeFrame(uint32_t index, Frame& out) final {
        out = Frame{};
        if (index != 0) return InvalidParameter;
        return decodePicture(out);
    }
    // Decodes the picture into `out`, which comes in empty.
    [[nodiscard]] virtual GpStatus decodePicture(Frame& out) = 0;
};

// Writes frames in one format to an open stream. Single-picture formats take one frame.
class Encoder {
public:
    virtual ~Encoder() = default;
    [[nodiscard]] virtual GpStatus addFrame(const Frame& frame) = 0;
    // Adds a page of 16-bit samples as they are; NotImplemented by formats of 8 bits.
    [[nodiscard]] virtual GpStatus addDeepFrame(const DeepFrame& /*frame*/) { return NotImplemented; }
    // Adds a 24-bit picture whose rows are made as they are written: the same file as the
    // picture held whole gives. NotImplemented by the formats that need every pixel at once.
    [[nodiscard]] virtual GpStatus addRows(const PictureRows& /*rows*/) { return NotImplemented; }
    // Adds a page of any class whose rows are read as they are written, as addFrame adds the
    // frame they make; a page that `intact` then calls damaged (a row that could not be read)
    // is taken out again, GenericError. NotImplemented by the formats that need it whole.
    [[nodiscard]] virtual GpStatus addPageRows(const PictureRows& /*rows*/, const std::function<bool()>& /*intact*/) {
        return NotImplemented;
    }
    // Completes the stream; the caller then closes and renames the file.
    [[nodiscard]] virtual GpStatus finish() = 0;
    // After a failure, why, when the encoder knows more than its status says.
    virtual std::string failureReason() const { return {}; }
};

// Formats that hold one picture: the first frame is written, any further one refused.
class SinglePictureEncoder : public Encoder {
public:
    explicit SinglePictureEncoder(std::FILE* stream) : m_stream(stream) {}
    [[nodiscard]] GpStatus addFrame(const Frame& frame) final;
    [[nodiscard]] GpStatus addRows(const PictureRows& rows) final;
    [[nodiscard]] GpStatus finish() final { return m_written ? Ok : WrongState; }

protected:
    [[nodiscard]] virtual GpStatus write(const Frame& frame) = 0;
    // A 24-bit picture a row at a time, for the formats that write rows as they come.
    [[nodiscard]] virtual GpStatus writeRows(const PictureRows& /*rows*/) { return NotImplemented; }
    std::FILE* stream() const { return m_stream; }

private:
    std::FILE* m_stream;
    bool m_written = false;
};

enum class TiffCompression { Lzw, G4, Deflate, Auto };

struct EncodeOptions {
    int quality = 75;  // JPEG, 0 to 100
    TiffCompression tiffCompression = TiffCompression::Lzw;
    bool expandIndexedTo24 = false;  // PNG: indexed frames as 8-bit RGB
    bool bigTiff = false;            // TIFF: 64-bit offsets
    double pdfDpi = 96;              // PDF: the resolution of pages that have none
};

enum class EncoderKind { Bmp, Jpeg, Gif, Tiff, Png, Pdf };

// An encoder writing to `stream`, which stays owned by the caller.
std::unique_ptr<Encoder> createEncoder(EncoderKind kind, std::FILE* stream,
                                       const EncodeOptions& options, GpStatus& status);
std::unique_ptr<Encoder> createTiffEncoder(std::FILE* stream, TiffCompression compression, bool bigTiff,
                                           GpStatus& status);
std::unique_ptr<Encoder> createJpegEncoder(std::FILE* stream, const EncodeOptions& options,
                                           GpStatus& status);
std::unique_ptr<Encoder> createPngEncoder(std::FILE* stream, const EncodeOptions& options, GpStatus& status);
std::unique_ptr<Encoder> createGifEncoder(std::FILE* stream, GpStatus& status);
std::unique_ptr<Encoder> createBmpEncoder(std::FILE* stream, GpStatus& status);

// Opens `path`, recognises the format from its first bytes and returns its decoder. Only
// regular files are opened. On failure returns null, sets `status` and, when it is known,
// `reason`.
std::unique_ptr<Decoder> openDecoder(const std::string& path, GpStatus& status, std::string& reason);
// The same for a file already open on `fd`, read from its start, and for `size` bytes in
// memory (copied first).
std::unique_ptr<Decoder> openDecoderOn(UniqueFd fd, GpStatus& status, std::string& reason);
std::unique_ptr<Decoder> openDecoderOfBytes(const uint8_t* bytes, size_t size, GpStatus& status,
                                            std::string& reason);

// The per-format constructors the dispatch picks from.
std::unique_ptr<Decoder> openTiffDecoder(UniqueFd fd, GpStatus& status, std::string& reason);
std::unique_ptr<Decoder> openJpegDecoder(UniqueFd fd, GpStatus& status, std::string& reason);
std::unique_ptr<Decoder> openPngDecoder(UniqueFd fd, GpStatus& status, std::string& reason);
std::unique_ptr<Decoder> openGifDecoder(UniqueFd fd, GpStatus& status, std::string& reason);
std::unique_ptr<Decoder> openBmpDecoder(UniqueFd fd, GpStatus& status, std::string& reason);
std::unique_ptr<Decoder> openPdfDecoder(UniqueFd fd, GpStatus& status, std::string& reason);

// Each of them: a decoder of type D whose open(UniqueFd) returned Ok, or null.
template <typename D>
std::unique_ptr<Decoder> openDecoderOf(UniqueFd fd, GpStatus& status, std::string& reason) {
    try {
        auto decoder = std::make_unique<D>();
        status = decoder->open(std::move(fd));
        if (status == Ok) return decoder;
        reason = decoder->openFailure();
    } catch (const std::bad_alloc&) {
        status = OutOfMemory;
    }
    return nullptr;
}

}  // namespace gdip::codecs
