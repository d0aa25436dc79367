#include "resource_picture.h"

#include <sys/mman.h>
#include <unistd.h>

#include <QFile>
#include <memory>
#include <string>

#include "imaging/gdipobj.h"
#include "imaging/text_path.h"

namespace orvelle {
namespace {

// The back end opens files by name; an in-memory file gives the resource's bytes one.
class MemoryFile {
public:
    explicit MemoryFile(const QByteArray& bytes) : m_fd(memfd_create("resource", MFD_CLOEXEC)) {
        if (m_fd < 0) return;
        qsizetype written = 0;
        while (written < bytes.size()) {
            const ssize_t n = ::write(m_fd, bytes.constData() + written,
                                      static_cast<size_t>(bytes.size() - written));
            if (n <= 0) break;
            written += n;
        }
        m_complete = written == bytes.size();
    }
    ~MemoryFile() {
        if (m_fd >= 0) ::close(m_fd);
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    bool usable() const { return m_fd >= 0 && m_complete; }
    std::string path() const { return "/proc/self/fd/" + std::to_string(m_fd); }

private:
    int m_fd;
    bool m_complete = false;
};

}  // namespace

QImage decodeResourcePicture(const QString& name) {
    QFile resource(name);
    if (!resource.open(QIODevice::ReadOnly)) return {};
    const MemoryFile file(resource.readAll());
    if (!file.usable()) return {};
    auto image = std::make_unique<TGPImage>(widenPath(file.path()), false);
    const uint32_t width = image->PixelWidth(), height = image->PixelHeight();
    if (width == 0 || height == 0) return {};
    QImage picture(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB32);
    picture.fill(Qt::black);
    HDC__ context{reinterpret_cast<uint32_t*>(picture.bits()), picture.width(), picture.height(),
                  static_cast<int32_t>(picture.bytesPerLine())};
    {
        auto graphics = std::make_unique<TGPGraphics>(&context);
        if (graphics->DrawImageAt(image.get(), 0, 0, static_cast<float>(width),
                                  static_cast<float>(height)) != Ok)
            return {};
    }
    return picture;
}

}  // namespace orvelle
