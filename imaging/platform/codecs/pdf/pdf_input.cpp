#include "pdf_input.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace gdip::codecs::pdf {
namespace {

constexpr size_t kWindow = 64 * 1024;

class PositionedInput : public InputSource {
public:
    PositionedInput(UniqueFd fd, std::string name) : m_fd(std::move(fd)), m_name(std::move(name)) {
        const long long size = descriptorSize(m_fd.get());
        if (size < 0) throw std::runtime_error(m_name + ": " + std::strerror(errno));
        m_size = size;
    }

    std::string const& getName() const override { return m_name; }
    qpdf_offset_t tell() override { return m_at; }
    void rewind() override { m_at = 0; }
    void unreadCh(char) override {
        if (m_at > 0) --m_at;
    }

    void seek(qpdf_offset_t offset, int whence) override {
        const qpdf_offset_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? m_at : m_size;
        if (offset < 0 && -offset > base) throw std::runtime_error(m_name + ": seek before the start");
        m_at = base + offset;
    }

    size_t read(char* buffer, size_t length) override {
        last_offset = m_at;
        if (m_at >= m_size || length == 0) return 0;
        length = static_cast<size_t>(std::min<qpdf_offset_t>(static_cast<qpdf_offset_t>(length), m_size - m_at));
        size_t done = 0;
        // Large reads (a stream's data) go straight into the caller's buffer.
        if (length >= kWindow) {
            if (!readFully(m_fd.get(), static_cast<uint64_t>(m_at), buffer, length))
                throw std::runtime_error(m_name + ": " + std::strerror(errno));
            done = length;
        } else {
            if (m_at < m_windowAt || m_at + static_cast<qpdf_offset_t>(length) > m_windowAt + static_cast<qpdf_offset_t>(m_window.size()))
                fill(m_at);
            const size_t from = static_cast<size_t>(m_at - m_windowAt);
            done = std::min(length, m_window.size() - from);
            std::memcpy(buffer, m_window.data() + from, done);
        }
        m_at += static_cast<qpdf_offset_t>(done);
        return done;
    }

    qpdf_offset_t findAndSkipNextEOL() override {
        // The offset of the next end of line, then past it and every line end that follows.
        char chunk[4096];
        while (true) {
            const qpdf_offset_t at = m_at;
            const size_t got = read(chunk, sizeof chunk);
            if (got == 0) return m_at;
            const char* end = std::find_if(chunk, chunk + got, [](char c) { return c == '\r' || c == '\n'; });
            if (end == chunk + got) continue;
            const qpdf_offset_t result = at + (end - chunk);
            m_at = result;
            char c = 0;
            while (read(&c, 1) == 1) {
                if (c != '\r' && c != '\n') {
                    unreadCh(c);
                    break;
                }
            }
            return result;
        }
    }

private:
    void fill(qpdf_offset_t at) {
        const size_t bytes = static_cast<size_t>(std::min<qpdf_offset_t>(kWindow, m_size - at));
        m_window.resize(bytes);
        if (!readFully(m_fd.get(), static_cast<uint64_t>(at), m_window.data(), bytes)) {
            m_window.clear();
            throw std::runtime_error(m_name + ": " + std::strerror(errno));
        }
        m_windowAt = at;
    }

    UniqueFd m_fd;
    std::string m_name;
    qpdf_offset_t m_size = 0;
    qpdf_offset_t m_at = 0;
    std::vector<char> m_window;
    qpdf_offset_t m_windowAt = 0;
};

}  // namespace

std::shared_ptr<InputSource> positionedInput(UniqueFd fd, const std::string& name) {
    return std::make_shared<PositionedInput>(std::move(fd), name);
}

}  // namespace gdip::codecs::pdf
