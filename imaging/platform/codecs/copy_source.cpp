#include "copy_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "../image_limits.h"

namespace gdip::codecs {
namespace {

// The whole file, for a JPEG whose stream is stored as one strip.
bool readWhole(int fd, uint64_t size, std::vector<uint8_t>& bytes) {
    bytes.resize(static_cast<size_t>(size));
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t got = ::pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        done += static_cast<size_t>(got);
    }
    return true;
}

const char* kindOfNonCopy(const uint8_t* head, size_t length) {
    if (length >= 8 && std::memcmp(head, "\x89PNG", 4) == 0) return "a PNG is decoded and written losslessly";
    if (length >= 6 && std::memcmp(head, "GIF", 3) == 0) return "a GIF is decoded and written losslessly";
    return "a BMP is decoded and written losslessly";
}

}  // namespace

std::unique_ptr<CopySource> CopySource::open(const std::string& path, GpStatus& status, std::string& reason) {
    status = Ok;
    reason.clear();
    auto source = std::make_unique<CopySource>();
    source->m_path = path;
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat info {};
    uint8_t head[8] = {};
    const bool regular = fd.get() >= 0 && fstat(fd.get(), &info) == 0 && S_ISREG(info.st_mode);
    const ssize_t got = regular ? ::pread(fd.get(), head, sizeof head, 0) : 0;
    const size_t length = got > 0 ? static_cast<size_t>(got) : 0;
    const bool tiff = length >= 4 && (std::memcmp(head, "II", 2) == 0 || std::memcmp(head, "MM", 2) == 0);
    const bool jpeg = length >= 3 && std::memcmp(head, "\xFF\xD8\xFF", 3) == 0;
    // A page copied is never decoded, so no limit of a decoded picture applies to it.
    if (tiff) {
        auto pages = std::make_unique<TiffPageSource>();
        std::string why;
        if (pages->open(std::move(fd), why) == Ok) {
            source->m_pages = pages->pages();
            source->m_tiff = std::move(pages);
            return source;
        }
    } else if (jpeg) {
        const long long size = descriptorSize(fd.get());
        auto stream = std::make_unique<JpegStream>();
        std::vector<uint8_t> bytes;
        std::string why;
        if (size <= 0 || static_cast<uint64_t>(size) > Limits::kMaxCodecAllocation) {
            source->m_notCopied = "the JPEG file is too large to be stored in one piece";
        } else if (!readWhole(fd.get(), static_cast<uint64_t>(size), bytes) ||
                   !readJpegStream(bytes.data(), bytes.size(), *stream, why)) {
            source->m_notCopied = why.empty() ? "the JPEG file cannot be read" : why;
        } else if (source->m_jpegShape = jpegPageShape(*stream); source->m_jpegShape.storable) {
            source->m_pages = 1;
            source->m_jpeg = std::move(stream);
            return source;
        } else {
            source->m_notCopied = source->m_jpegShape.why;
        }
    } else if (length > 0) {
        source->m_notCopied = kindOfNonCopy(head, length);
    }
    // Decoded instead: the decoder's open also says what is wrong with a file that is none
    // of ours.
    source->m_decoder = openDecoder(path, status, reason);
    if (!source->m_decoder) return nullptr;
    source->m_pages = source->m_decoder->frameCount();
    if (source->m_notCopied.empty()) source->m_notCopied = "its pages cannot be copied as stored";
    return source;
}

GpStatus CopySource::addTo(uint32_t index, TiffPageWriter& writer, bool& copied, std::string& note) {
    copied = false;
    note.clear();
    if (index >= m_pages) return InvalidParameter;
    GpStatus status = NotImplemented;
    if (m_tiff) status = m_tiff->copyPage(index, writer, note);
    else if (m_jpeg) status = storeJpegPage(*m_jpeg, m_jpegShape, writer);
    else note = m_notCopied;
    if (status != NotImplemented) {
        copied = status == Ok;
        return status;
    }
    const std::string why = note;
    status = addDecoded(index, writer, note);
    if (status == Ok) note = why;
    return status;
}

GpStatus CopySource::addDecoded(uint32_t index, TiffPageWriter& writer, std::string& note) {
    if (!m_decoder) {
        GpStatus status = Ok;
        m_decoder = openDecoder(m_path, status, note);
        if (!m_decoder) return status;
    }
    Frame frame;
    const GpStatus status = m_decoder->readFrame(index, frame);
    if (status != Ok) {
        note = frame.failure.empty() ? "the page cannot be decoded" : "the page cannot be decoded (" + frame.failure + ")";
        return status;
    }
    return writer.addFrame(frame);
}

}  // namespace gdip::codecs
