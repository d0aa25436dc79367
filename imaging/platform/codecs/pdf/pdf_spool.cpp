#include "pdf_spool.h"

#include <qpdf/Pipeline.hh>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <algorithm>
#include <vector>

namespace gdip::codecs {

bool PdfSpool::open() {
    m_file.reset(std::tmpfile());
    return m_file != nullptr;
}

bool PdfSpool::append(QPDFObjGen id, const void* bytes, size_t size) {
    if (m_broken || !m_file) return false;
    if (std::fwrite(bytes, 1, size, m_file.get()) != size) {
        m_broken = true;
        return false;
    }
    auto [slice, added] = m_slices.try_emplace(id, Slice{m_end, 0});
    slice->second.size += size;
    m_end += size;
    return true;
}

namespace {

// Pipes `size` bytes of `fd` from `offset`, a megabyte at a time.
void pipeFrom(int fd, uint64_t offset, uint64_t size, Pipeline* pipeline) {
    std::vector<unsigned char> buffer(std::min<uint64_t>(size, uint64_t{1} << 20));
    for (uint64_t done = 0; done < size;) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(buffer.size(), size - done));
        const ssize_t got = ::pread(fd, buffer.data(), want, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) throw std::runtime_error("the pictures' data could not be read back");
        pipeline->write(buffer.data(), static_cast<size_t>(got));
        done += static_cast<uint64_t>(got);
    }
}

}  // namespace

void PdfSpool::provideStreamData(QPDFObjGen const& id, Pipeline* pipeline) {
    if (const auto piece = m_pieces.find(id); piece != m_pieces.end()) {
        const FilePiece& p = piece->second;
        if (m_openPath != p.path || m_open.get() < 0) {
            m_open = UniqueFd(::open(p.path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
            m_openPath = p.path;
        }
        FileIdentity now;
        if (m_open.get() < 0 || !identityOf(m_open.get(), now) || !(now == p.identity))
            throw std::runtime_error(p.path + " changed while it was being merged");
        pipeFrom(m_open.get(), p.offset, p.size, pipeline);
        return;
    }
    const auto slice = m_slices.find(id);
    if (m_broken || !m_file || (!m_flushed && std::fflush(m_file.get()) != 0))
        throw std::runtime_error("the pictures' data could not be kept in a temporary file");
    m_flushed = true;
    if (slice == m_slices.end()) return;  // a stream with no data
    pipeFrom(fileno(m_file.get()), slice->second.offset, slice->second.size, pipeline);
}

}  // namespace gdip::codecs
