// The PDF renderer module: Qt's PDF module behind the plain interface the back end loads.
#include "pdf_renderer_module.h"

#include <QIODevice>
#include <QImage>
#include <QtPdf/QPdfDocument>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <new>

namespace gdip::codecs::pdf {
namespace {

// The renderer's view of the file: read by position only, so that the reader which shares
// the descriptor's offset never loses its place.
class DescriptorDevice final : public QIODevice {
public:
    explicit DescriptorDevice(int fd) : m_fd(fd) {
        struct stat facts {};
        m_size = ::fstat(m_fd, &facts) == 0 ? facts.st_size : 0;
    }
    ~DescriptorDevice() override { ::close(m_fd); }
    bool isSequential() const override { return false; }
    qint64 size() const override { return m_size; }
    bool seek(qint64 to) override {
        m_at = to;
        return QIODevice::seek(to);
    }

protected:
    qint64 readData(char* data, qint64 most) override {
        const ssize_t n = ::pread(m_fd, data, static_cast<size_t>(most), m_at);
        if (n < 0) return -1;
        m_at += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    int m_fd;
    qint64 m_size = 0;
    qint64 m_at = 0;
};

struct Document {
    explicit Document(int fd) : device(fd) {}
    DescriptorDevice device;
    QPdfDocument document;
};

void* openDocument(int fd) {
    try {
        auto document = std::make_unique<Document>(fd);
        if (!document->device.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) return nullptr;
        document->document.load(&document->device);
        return document.release();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void closeDocument(void* document) { delete static_cast<Document*>(document); }

int pageCount(void* document) {
    QPdfDocument& d = static_cast<Document*>(document)->document;
    return d.status() == QPdfDocument::Status::Ready ? d.pageCount() : -1;
}

bool pageSize(void* document, int index, double* width, double* height) {
    const QSizeF points = static_cast<Document*>(document)->document.pagePointSize(index);
    *width = points.width();
    *height = points.height();
    return points.isValid();
}

bool drawRows(void* document, int index, int width, int height, int top, int rows, uint32_t* argb) {
    QPdfDocumentRenderOptions options;
    // Drawn without smoothing: black text stays black and white, and a picture drawn at its
    // own resolution keeps its pixels.
    options.setRenderFlags(QPdfDocumentRenderOptions::RenderFlag::Annotations | QPdfDocumentRenderOptions::RenderFlag::TextAliased |
                           QPdfDocumentRenderOptions::RenderFlag::ImageAliased | QPdfDocumentRenderOptions::RenderFlag::PathAliased);
    options.setScaledSize(QSize(width, height));
    // The module scales a clipped page by the clip's right minus its left over the picture's
    // width, and QRect's right is one short of left plus width: a clip one pixel wider and
    // taller than the band draws it at the page's own scale.
    options.setScaledClipRect(QRect(0, top, width + 1, rows + 1));
    try {
        QImage image = static_cast<Document*>(document)->document.render(index, QSize(width, rows), options);
        if (image.isNull() || image.width() != width || image.height() != rows) return false;
        if (image.format() != QImage::Format_ARGB32_Premultiplied) image.convertTo(QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < rows; ++y)
            std::memcpy(argb + size_t(y) * size_t(width), image.constScanLine(y), size_t(width) * 4);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

constexpr RendererModule kModule{openDocument, closeDocument, pageCount, pageSize, drawRows};

}  // namespace
}  // namespace gdip::codecs::pdf

extern "C" __attribute__((visibility("default"))) const gdip::codecs::pdf::RendererModule* orvelle_pdf_renderer() {
    return &gdip::codecs::pdf::kModule;
}
