#include "window_placement.h"

#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace orvelle {

QPoint centredTopLeft(const QRect& available, const QSize& frame) {
    const int left = available.left() + (available.width() - frame.width()) / 2;
    const int top = available.top() + (available.height() - frame.height()) / 2;
    return {std::max(left, available.left()), std::max(top, available.top())};
}

void centreOnScreen(QWidget& window) {
    if (const QScreen* screen = window.screen())
        window.move(centredTopLeft(screen->availableGeometry(), window.frameGeometry().size()));
}

}  // namespace orvelle
