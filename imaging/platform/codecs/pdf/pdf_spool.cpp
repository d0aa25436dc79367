#include "pdf_spool.h"

#include <qpdf/Pipeline.hh>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <algorithm>
#include <vector>

namespace gdip::codecs {

bool PdfSpool::open() {
    const char* folder = std::getenv("TMPDIR");
    m_folder = folder && *folder ? folder : "/tmp";
    UniqueFd fd(::open(m_folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
    if (fd.get() < 0 && errno != ENOENT && errno != ENOTDIR && errno != EACCES && errno != ENOSPC) {
        // A file system without unnamed files: a named one, unlinked at once.
        std::string name = m_folder + "/orvelle-spool-XXXXXX";
        fd = UniqueFd(::mkostemp(name.data(), O_CLOEXEC));
        if (fd.get() >= 0) ::unlink(name.c_str());
    }
    if (fd.get() >= 0 && (m_file = FilePtr(fdopen(fd.get(), "w+b")))) (void)fd.release();
    if (!m_file) spoiled(errno);
    return m_file != nullptr;
}

void PdfSpool::spoiled(int error) {
    m_broken = true;
    if (m_failure.empty()) m_failure = "the temporary file in " + m_folder + ": " + std::strerror(error);
}

bool PdfSpool::append(QPDFObjGen id, const void* bytes, size_t size) {
    // Made when the first data comes: pages copied from their files need none.
    if (!m_file && !m_broken && !open()) return false;
    if (m_broken || !m_file) return false;
    if (std::fwrite(bytes, 1, size, m_file.get()) != size) {
        spoiled(errno);
        return false;
    }
    auto [slice, added] = m_slices.try_emplace(id, Slice{m_end, 0});
    slice->second.size += size;
    m_end += size;
    return true;
}

namespace {

// Pipes `size` bytes of `fd` from `offset`, a megabyte at a time. False, with errno, when
// they cannot all be read.
bool pipeFrom(int fd, uint64_t offset, uint64_t size, Pipeline* pipeline) {
    std::vector<unsigned char> buffer(std::min<uint64_t>(size, uint64_t{1} << 20));
    for (uint64_t done = 0; done < size;) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(buffer.size(), size - done));
        if (!readFully(fd, offset + done, buffer.data(), want)) return false;
        pipeline->write(buffer.data(), want);
        done += want;
    }
    return true;
}

}  // namespace

void PdfSpool::provideStreamData(QPDFObjGen const& id, Pipeline* pipeline) {
    if (const auto piece = m_pieces.find(id); piece != m_pieces.end()) {
        const FilePiece& p = piece->second;
        if (m_openPath != p.path || m_open.get() < 0) {
            m_open = openToRead(p.path);
            m_openPath = p.path;
        }
        // The library words what a provider throws its own way: the reason is kept here.
        if (!unchanged(m_open.get(), p.identity)) {
            if (m_failure.empty()) m_failure = p.path + " changed while it was being merged";
            throw std::runtime_error(m_failure);
        }
        if (!pipeFrom(m_open.get(), p.offset, p.size, pipeline)) {
            if (m_failure.empty()) m_failure = p.path + ": " + std::strerror(errno);
            throw std::runtime_error(m_failure);
        }
        return;
    }
    const auto slice = m_slices.find(id);
    if (!m_broken && m_file && !m_flushed && std::fflush(m_file.get()) != 0) spoiled(errno);
    if (m_broken || !m_file) throw std::runtime_error(m_failure);
    m_flushed = true;
    if (slice == m_slices.end()) return;  // a stream with no data
    if (!pipeFrom(fileno(m_file.get()), slice->second.offset, slice->second.size, pipeline)) {
        spoiled(errno);
        throw std::runtime_error(m_failure);
    }
}

}  // namespace gdip::codecs
