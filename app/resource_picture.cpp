#include "resource_picture.h"

#include <QFile>
#include <memory>

#include "imaging/gdipobj.h"

namespace orvelle {

QImage decodeResourcePicture(const QString& name) {
    QFile resource(name);
    if (!resource.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = resource.readAll();
    auto image = std::make_unique<TGPImage>(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
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
