// File names between the window and the jobs. Names on disk are bytes and need not be valid
// UTF-8 (a GBK name from another system); Qt's own conversions would turn such bytes into
// U+FFFD and name another file. These keep every byte: an invalid one travels in the QString
// as the lone surrogate text_path.h gives it.
#pragma once

#include <QString>
#include <QUrl>
#include <string>

namespace orvelle {

QString pathText(const std::string& bytes);
std::string pathBytes(const QString& text);
// The bytes of a local file's URL (its path's percent-encoding undone); empty for another
// kind of URL.
std::string localPathBytes(const QUrl& url);

}  // namespace orvelle
