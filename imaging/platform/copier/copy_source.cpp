#include "copy_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "../image_limits.h"
#include "../codecs/file_kind.h"
#include "fax_pages.h"
#include "jpeg_page.h"

namespace gdip::codecs {
namespace {

// `size` bytes of the file from `offset`.
bool readAt(int fd, uint64_t offset, uint64_t size, std::string& bytes) {
    bytes.resize(static_cast<size_t>(size));
    return readFully(fd, offset, bytes.data(), bytes.size());
}

bool readWhole(int fd, uint64_t size, std::string& bytes) { return readAt(fd, 0, size, bytes); }

// A large JPEG file's first bytes hold what comes before its scan; its end marker lies in
// its last bytes, before any trailing bytes that are not the picture's. Reading only those
// spares reading the whole file twice when its data is read again as it is written.
constexpr uint64_t kJpegHeadBytes = 256 * 1024;
constexpr uint64_t kJpegTailBytes = 64 * 1024;
// Camera profiles, XMP and previews may come before the frame: read on to its first scan,
// however far, up to this much.
constexpr uint64_t kMaxJpegHeadBytes = 64 << 20;

// How many of a JPEG file's first bytes hold what comes before its first scan: at least
// kJpegHeadBytes, more when its segments run further (walked by their lengths alone), at
// most kMaxJpegHeadBytes and the file's size.
uint64_t jpegHeadBytes(int fd, uint64_t size) {
    uint64_t at = 2;
    uint8_t marker[4];
    while (at + 4 <= size && at < kMaxJpegHeadBytes && readFully(fd, at, marker, sizeof marker)) {
        if (marker[0] != 0xFF) break;
        if (marker[1] == 0xFF) {  // a fill byte
            ++at;
            continue;
        }
        at += 2 + (uint64_t{marker[2]} << 8 | marker[3]);
        if (marker[1] == 0xDA) break;  // the scan's header is the last part wanted
    }
    return std::min(size, std::min(kMaxJpegHeadBytes, std::max(kJpegHeadBytes, at)));
}

bool endsWithEoi(int fd, uint64_t size) {
    std::string tail;
    const uint64_t from = size - std::min(size, kJpegTailBytes);
    if (!readAt(fd, from, size - from, tail)) return false;
    return tail.find("\xFF\xD9") != std::string::npos;
}

const char* kindOfNonCopy(FileKind kind) {
    switch (kind) {
        case FileKind::Png: return "a PNG is decoded and written losslessly";
        case FileKind::Gif: return "a GIF is decoded and written losslessly";
        case FileKind::Bmp: return "a BMP is decoded and written losslessly";
        default: return "";  // the decoder says what it is not
    }
}

}  // namespace

bool CopySource::openJpeg(UniqueFd fd) {
    const long long size = descriptorSize(fd.get());
    auto stream = std::make_unique<JpegStream>();
    auto bytes = std::make_shared<std::string>();
    std::string why;
    if (size <= 0 || static_cast<uint64_t>(size) > Limits::kMaxCodecAllocation) {
        m_notCopied = "the JPEG file is too large to be stored in one piece";
        return false;
    }
    const uint64_t head = jpegHeadBytes(fd.get(), static_cast<uint64_t>(size));
    const bool headOnly = head < static_cast<uint64_t>(size);
    if (!identityOf(fd.get(), m_jpegIdentity) || !readAt(fd.get(), 0, head, *bytes) ||
        (headOnly && !endsWithEoi(fd.get(), static_cast<uint64_t>(size))) ||
        // The strip, a copy of most of the file, is made when a TIFF asks for it.
        !readJpegStream(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size(), *stream, why, false, !headOnly)) {
        m_notCopied = why.empty() ? "the JPEG file cannot be read" : why;
        return false;
    }
    m_jpegSize = static_cast<uint64_t>(size);
    m_jpegShape = jpegPageShape(*stream);
    m_notCopied = m_jpegShape.why;
    m_pages = 1;
    m_jpeg = std::move(stream);
    return true;
}

std::unique_ptr<CopySource> CopySource::open(const std::string& path, bool intoPdf, GpStatus& status, std::string& reason) {
    status = Ok;
    reason.clear();
    auto source = std::make_unique<CopySource>();
    source->m_path = path;
    UniqueFd fd = openToRead(path);
    struct stat info {};
    const bool regular = fd.get() >= 0 && fstat(fd.get(), &info) == 0 && S_ISREG(info.st_mode);
    const FileKind kind = regular ? fileKindOf(fd.get()) : FileKind::Empty;
    // A page copied is never decoded, so no limit of a decoded picture applies to it.
    if (kind == FileKind::Tiff) {
        auto pages = std::make_unique<TiffPageSource>();
        std::string why;
        if (pages->open(std::move(fd), why) == Ok) {
            source->m_pages = pages->pages();
            source->m_tiff = std::move(pages);
            return source;
        }
    } else if (kind == FileKind::Pdf) {
        auto document = std::make_unique<PdfDocument>();
        status = document->open(std::move(fd), reason);
        if (status != Ok) return nullptr;
        source->m_pages = document->pages();
        source->m_pdf = std::move(document);
        source->m_pdfPagesWhole = intoPdf;
        return source;
    } else if (kind == FileKind::Jpeg) {
        if (source->openJpeg(std::move(fd))) return source;
    } else {
        source->m_notCopied = kindOfNonCopy(kind);
    }
    // Decoded instead: the decoder's open also says what is wrong with a file that is none
    // of ours.
    source->m_decoder = openDecoder(path, status, reason);
    if (!source->m_decoder) return nullptr;
    source->m_pages = source->m_decoder->frameCount();
    if (source->m_notCopied.empty()) source->m_notCopied = "its pages cannot be copied as stored";
    return source;
}

GpStatus CopySource::storedImage(uint32_t index, StoredImage& image, std::string& why) {
    if (m_tiff) {
        const GpStatus status = m_tiff->storedImage(index, image, why);
        if (status == Ok && image.piece) image.piece->path = m_path;
        return status;
    }
    if (m_pdf) return m_pdf->storedImage(index, image, why);
    if (m_jpeg) {
        // The whole file is the stream: a writer reads it from there when it writes.
        if (!jpegAsStoredImage(*m_jpeg, image, why)) return NotImplemented;
        image.piece = FilePiece{m_path, m_jpegIdentity, 0, m_jpegSize};
        return Ok;
    }
    why = m_notCopied;
    return NotImplemented;
}

GpStatus CopySource::addTo(uint32_t index, TiffPageWriter& writer, bool& copied, std::string& note) {
    copied = false;
    note.clear();
    if (index >= m_pages) return InvalidParameter;
    GpStatus status = NotImplemented;
    if (m_tiff) {
        status = m_tiff->copyPage(index, writer, note);
    } else if (m_jpeg && m_jpegShape.storable) {
        if (m_jpeg->strip.empty()) {
            // The whole file now, from the file found when it was opened.
            UniqueFd fd = openToRead(m_path);
            std::string bytes;
            JpegStream whole;
            if (!unchanged(fd.get(), m_jpegIdentity) ||
                !readWhole(fd.get(), m_jpegSize, bytes) ||
                !readJpegStream(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), whole, note)) {
                note = "the JPEG file changed or cannot be read again";
                return GenericError;
            }
            *m_jpeg = std::move(whole);
        }
        status = storeJpegPage(*m_jpeg, m_jpegShape, writer);
    } else if (m_pdf) {
        StoredImage image;
        status = m_pdf->storedImage(index, image, note);
        if (status == Ok && image.coding == StoredImage::Coding::Fax) {
            status = storeFaxPage(image, writer);
        } else if (status == Ok) {
            JpegStream stream;
            JpegPageShape shape;
            if (!readJpegStream(reinterpret_cast<const uint8_t*>(image.bytes().data()), image.bytes().size(), stream, note))
                status = NotImplemented;
            else if (shape = jpegPageShape(stream); !shape.storable)
                status = NotImplemented, note = shape.why;
            else
                status = storeJpegPage(stream, shape, writer, &image);
        }
    } else {
        note = m_notCopied;
    }
    if (status != NotImplemented) {
        copied = status == Ok;
        return status;
    }
    return addDecoded(index, writer, note);
}

GpStatus CopySource::addTo(uint32_t index, PdfWriter& writer, bool& copied, std::string& note) {
    copied = false;
    note.clear();
    if (index >= m_pages) return InvalidParameter;
    // A PDF's page is a page, whatever it draws: its text layer, annotations and structure
    // go with it, nothing is decoded.
    if (m_pdf && m_pdfPagesWhole) {
        const GpStatus status = writer.addWholePage(*m_pdf, index, note);
        copied = status == Ok;
        return status;
    }
    StoredImage image;
    GpStatus status = storedImage(index, image, note);
    if (status == Ok) {
        status = writer.addStored(image);
        if (status == NotImplemented) note = "a mirrored page is turned by decoding it";
    }
    if (status != NotImplemented) {
        copied = status == Ok;
        return status;
    }
    return addDecoded(index, writer, note);
}

GpStatus CopySource::addDecoded(uint32_t index, Encoder& writer, std::string& note) {
    const std::string why = note;
    // 16-bit samples go as they are where the output holds them: decoded to 8 bits, they
    // would not be the page the caller was promised.
    GpStatus status = addDeep(index, writer, note);
    if (status == NotImplemented) {
        Frame frame;
        status = decoded(index, frame, note);
        if (status != Ok) return status;
        status = writer.addFrame(frame);
    }
    if (status == Ok) note = why;
    return status;
}

GpStatus CopySource::addDeep(uint32_t index, Encoder& writer, std::string& note) {
    if (openDecoderOnce(note) != Ok) return NotImplemented;  // decoding says why
    DeepFrame deep;
    const GpStatus status = m_decoder->readDeepFrame(index, deep);
    if (status == NotImplemented) return status;
    if (status != Ok) {
        note = "the page cannot be decoded";
        return status;
    }
    return writer.addDeepFrame(deep);
}

GpStatus CopySource::openDecoderOnce(std::string& note) {
    GpStatus status = Ok;
    if (!m_decoder) m_decoder = openDecoder(m_path, status, note);
    return m_decoder ? Ok : status;
}

GpStatus CopySource::decoded(uint32_t index, Frame& frame, std::string& note) {
    if (const GpStatus opened = openDecoderOnce(note); opened != Ok) return opened;
    const GpStatus status = m_decoder->readFrame(index, frame);
    if (status != Ok)
        note = frame.failure.empty() ? "the page cannot be decoded" : "the page cannot be decoded (" + frame.failure + ")";
    return status;
}

}  // namespace gdip::codecs
