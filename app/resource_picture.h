// Pictures kept in the program's resources, decoded by the imaging back end like any file.
#pragma once

#include <QImage>
#include <QString>

namespace orvelle {

// The picture in resource `name` at its own size; a null image when it cannot be decoded.
QImage decodeResourcePicture(const QString& name);

}  // namespace orvelle
