#include "pdf_spool.h"

#include <qpdf/Pipeline.hh>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
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

void PdfSpool::provideStreamData(QPDFObjGen const& id, Pipeline* pipeline) {
    const auto slice = m_slices.find(id);
    if (m_broken || !m_file || (!m_flushed && std::fflush(m_file.get()) != 0))
        throw std::runtime_error("the pictures' data could not be kept in a temporary file");
    m_flushed = true;
    if (slice == m_slices.end()) return;  // a stream with no data
    std::vector<unsigned char> buffer(std::min<uint64_t>(slice->second.size, uint64_t{1} << 20));
    for (uint64_t done = 0; done < slice->second.size;) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(buffer.size(), slice->second.size - done));
        const ssize_t got = ::pread(fileno(m_file.get()), buffer.data(), want, static_cast<off_t>(slice->second.offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) throw std::runtime_error("the pictures' data could not be read back from a temporary file");
        pipeline->write(buffer.data(), static_cast<size_t>(got));
        done += static_cast<uint64_t>(got);
    }
}

}  // namespace gdip::codecs
