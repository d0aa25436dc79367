// The about picture is a baseline JPEG kept in the program's resources, decoded with libjpeg.
#pragma once

#include <QByteArray>
#include <QImage>

namespace orvelle {

// A null image when the bytes are not a JPEG libjpeg can read.
QImage decodeJpeg(const QByteArray& bytes);

}  // namespace orvelle
