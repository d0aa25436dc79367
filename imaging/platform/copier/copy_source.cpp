#include "copy_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "../gdiplus_flat.h"
#include "../image_limits.h"
#include "../codecs/file_kind.h"
#include "fax_pages.h"
#include "jpeg_page.h"
#include "jpeg_turn.h"
#include "../orientation.h"

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

bool CopySource::readWholeJpeg(std::string& bytes, std::string& note) {
    UniqueFd fd = openToRead(m_path);
    if (!unchanged(fd.get(), m_jpegIdentity) || !readWhole(fd.get(), m_jpegSize, bytes)) {
        note = "the JPEG file changed or cannot be read again";
        return false;
    }
    return true;
}

GpStatus CopySource::addTo(uint32_t index, int quarterTurns, TiffPageWriter& writer, bool& copied, std::string& note) {
    copied = false;
    note.clear();
    if (index >= m_pages) return InvalidParameter;
    if (quarterTurns % 4 != 0) return addTurned(index, quarterTurns, writer, copied, note);
    GpStatus status = NotImplemented;
    if (m_tiff) {
        status = m_tiff->copyPage(index, writer, note);
    } else if (m_jpeg && m_jpegShape.storable) {
        if (m_jpeg->strip.empty()) {
            std::string bytes;
            JpegStream whole;
            if (!readWholeJpeg(bytes, note) ||
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
    return addDecoded(index, 0, writer, note);
}

GpStatus CopySource::addTurnedJpeg(const std::string& jpeg, const StoredImage* page, int quarterTurns,
                                   TiffPageWriter& writer, bool& copied, std::string& note,
                                   const std::function<GpStatus(uint16_t orientation)>& keepTagged) {
    const uint16_t orientation = page ? page->meta.orientation
                                      : (m_jpeg && m_jpeg->exif && m_jpeg->exifFacts.orientation ? m_jpeg->exifFacts.orientation : 1);
    const int turns = storedQuarterTurns(orientation, quarterTurns);
    std::string turned;
    switch (turnJpeg(jpeg, turns, turned, note)) {
        case JpegTurn::NotWholeBlocks: {
            const GpStatus status = keepTagged(turnedOrientation(orientation, quarterTurns));
            copied = status == Ok;
            note = "its sides are not whole JPEG blocks: its data is kept and its Orientation tag turned";
            return status;
        }
        case JpegTurn::Failed: return NotImplemented;
        case JpegTurn::Done: break;
    }
    JpegStream stream;
    if (!readJpegStream(reinterpret_cast<const uint8_t*>(turned.data()), turned.size(), stream, note))
        return NotImplemented;
    const JpegPageShape shape = jpegPageShape(stream);
    if (!shape.storable) {
        note = shape.why;
        return NotImplemented;
    }
    GpStatus status = Ok;
    if (page) {
        StoredImage facts = *page;
        if (turns % 2 == 1) {
            std::swap(facts.dpiX, facts.dpiY);
            std::swap(facts.meta.aspectX, facts.meta.aspectY);
        }
        status = storeJpegPage(stream, shape, writer, &facts);
    } else {
        // The transform moves blocks, not what the segments say of the sides.
        if (turns % 2 == 1) {
            std::swap(stream.xDensity, stream.yDensity);
            std::swap(stream.exifFacts.xResolution, stream.exifFacts.yResolution);
        }
        status = storeJpegPage(stream, shape, writer);
    }
    note = "turned in its JPEG blocks, without decoding";
    return status;
}

GpStatus CopySource::addTurned(uint32_t index, int quarterTurns, TiffPageWriter& writer, bool& copied,
                               std::string& note) {
    GpStatus status = NotImplemented;
    bool fax = false;
    if (m_tiff && m_tiff->compressionOf(index) == COMPRESSION_JPEG) {
        StoredImage image;
        const auto keepTagged = [&](uint16_t orientation) { return m_tiff->copyPage(index, writer, note, orientation); };
        status = m_tiff->storedImage(index, image, note);
        if (status == Ok) {
            status = addTurnedJpeg(image.bytes(), &image, quarterTurns, writer, copied, note, keepTagged);
        } else if (status == NotImplemented) {
            // Strips that make no one stream cannot be turned as one; decoded, they would be
            // coded again with loss or many times larger. The data stays, its tag turns.
            status = m_tiff->copyPage(index, writer, note, turnedOrientation(m_tiff->orientationOf(index), quarterTurns));
            copied = status == Ok;
            if (copied) note = "its JPEG data is in several strips: it is kept and its Orientation tag turned";
        }
    } else if (m_tiff) {
        status = m_tiff->turnPage(index, quarterTurns, writer, note);
        if (status == Ok) note = "turned and coded again with its own compression";
    } else if (m_jpeg && m_jpegShape.storable) {
        std::string bytes;
        if (!readWholeJpeg(bytes, note)) return GenericError;
        status = addTurnedJpeg(bytes, nullptr, quarterTurns, writer, copied, note, [&](uint16_t orientation) {
            JpegStream whole;
            if (!readJpegStream(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), whole, note))
                return NotImplemented;
            return storeJpegPage(whole, m_jpegShape, writer, nullptr, orientation);
        });
    } else if (m_pdf) {
        StoredImage image;
        status = m_pdf->storedImage(index, image, note);
        fax = status == Ok && image.coding == StoredImage::Coding::Fax;
        if (fax) {
            status = NotImplemented;
        } else if (status == Ok) {
            status = addTurnedJpeg(image.bytes(), &image, quarterTurns, writer, copied, note, [&](uint16_t orientation) {
                JpegStream stream;
                if (!readJpegStream(reinterpret_cast<const uint8_t*>(image.bytes().data()), image.bytes().size(),
                                    stream, note))
                    return NotImplemented;
                const JpegPageShape shape = jpegPageShape(stream);
                return shape.storable ? storeJpegPage(stream, shape, writer, &image, orientation) : NotImplemented;
            });
        }
    } else {
        note = m_notCopied;
    }
    if (status != NotImplemented) return status;
    // Fax data is bilevel: decoded, turned and coded as G4 again, no pixel changes.
    return addDecoded(index, quarterTurns, writer, note, fax ? &writer : nullptr);
}

GpStatus CopySource::addTo(uint32_t index, int quarterTurns, PdfWriter& writer, bool& copied, std::string& note) {
    copied = false;
    note.clear();
    if (index >= m_pages) return InvalidParameter;
    // A PDF's page is a page, whatever it draws: its text layer, annotations and structure
    // go with it, nothing is decoded; a turn is its /Rotate.
    if (m_pdf && m_pdfPagesWhole) {
        const GpStatus status = writer.addWholePage(*m_pdf, index, quarterTurns, note);
        copied = status == Ok;
        return status;
    }
    StoredImage image;
    GpStatus status = storedImage(index, image, note);
    if (status == Ok) {
        image.meta.orientation = turnedOrientation(image.meta.orientation, quarterTurns);
        status = writer.addStored(image);
        if (status == NotImplemented) note = "a mirrored page is turned by decoding it";
    }
    if (status != NotImplemented) {
        copied = status == Ok;
        return status;
    }
    return addDecoded(index, quarterTurns, writer, note);
}

GpStatus CopySource::addDecoded(uint32_t index, int quarterTurns, Encoder& writer, std::string& note,
                                TiffPageWriter* fax) {
    const std::string why = note;
    // 16-bit samples go as they are where the output holds them: decoded to 8 bits, they
    // would not be the page the caller was promised.
    GpStatus status = addDeep(index, quarterTurns, writer, note);
    if (status == NotImplemented) {
        Frame frame;
        status = decoded(index, quarterTurns, frame, note);
        if (status == Ok) {
            status = fax ? fax->addFrameAs(frame, TiffCompression::G4) : writer.addFrame(frame);
        } else if (!fax) {
            // A page too large to be decoded whole goes in as it is read by bands.
            const GpStatus streamed = addRows(index, quarterTurns, writer, note);
            if (streamed != NotImplemented) status = streamed;
        }
    }
    if (status == Ok) note = why;
    return status;
}

GpStatus CopySource::addRows(uint32_t index, int quarterTurns, Encoder& writer, std::string& note) {
    FrameRows rows;
    if (!m_decoder || m_decoder->readFrameRows(index, rows, GdipBandedFromBytes, quarterTurns) != Ok)
        return NotImplemented;
    const GpStatus status = writer.addPageRows(rows.rows, [&rows] { return rows.failure().empty(); });
    if (status == GenericError) note = "the page cannot be decoded (" + rows.failure() + ")";
    return status;
}

GpStatus CopySource::addDeep(uint32_t index, int quarterTurns, Encoder& writer, std::string& note) {
    if (openDecoderOnce(note) != Ok) return NotImplemented;  // decoding says why
    DeepFrame deep;
    const GpStatus status = m_decoder->readDeepFrame(index, deep);
    if (status == NotImplemented) return status;
    if (status != Ok) {
        note = "the page cannot be decoded";
        return status;
    }
    if (const int turns = (quarterTurns % 4 + 4) % 4; turns != 0) {
        DeepFrame turned;
        const bool swap = turns % 2 == 1;
        if (const GpStatus made = allocateDeepFrame(turned, swap ? deep.height : deep.width,
                                                    swap ? deep.width : deep.height, deep.colours, deep.alpha);
            made != Ok)
            return made;
        turnPixels(reinterpret_cast<const uint8_t*>(deep.samples.data()), deep.rowSamples() * 2, deep.width,
                   deep.height, static_cast<uint32_t>(16 * deep.channels()), turnedOrientation(1, turns),
                   reinterpret_cast<uint8_t*>(turned.samples.data()), turned.rowSamples() * 2);
        turned.dpiX = swap ? deep.dpiY : deep.dpiX;
        turned.dpiY = swap ? deep.dpiX : deep.dpiY;
        turned.meta = std::move(deep.meta);
        if (swap) std::swap(turned.meta.aspectX, turned.meta.aspectY);
        deep = std::move(turned);
    }
    return writer.addDeepFrame(deep);
}

GpStatus CopySource::openDecoderOnce(std::string& note) {
    GpStatus status = Ok;
    if (!m_decoder) m_decoder = openDecoder(m_path, status, note);
    return m_decoder ? Ok : status;
}

GpStatus CopySource::decoded(uint32_t index, int quarterTurns, Frame& frame, std::string& note) {
    if (const GpStatus opened = openDecoderOnce(note); opened != Ok) return opened;
    GpStatus status = m_decoder->readFrame(index, frame);
    if (status != Ok)
        note = frame.failure.empty() ? "the page cannot be decoded" : "the page cannot be decoded (" + frame.failure + ")";
    else if (quarterTurns % 4 != 0 && (status = turnFrame(frame, quarterTurns)) != Ok)
        note = "the page cannot be turned";
    return status;
}

}  // namespace gdip::codecs
