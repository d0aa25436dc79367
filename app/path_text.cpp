#include "path_text.h"

#include "imaging/text_path.h"

namespace orvelle {

QString pathText(const std::string& bytes) {
    const std::u16string wide = widenPath(bytes);
    return QString::fromUtf16(wide.data(), static_cast<qsizetype>(wide.size()));
}

std::string pathBytes(const QString& text) {
    return narrowPath(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                          static_cast<size_t>(text.size())));
}

std::string localPathBytes(const QUrl& url) {
    if (!url.isLocalFile()) return {};
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
}

}  // namespace orvelle
