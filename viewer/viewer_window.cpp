#include "viewer_window.h"

#include <QGuiApplication>
#include <QScreen>

namespace orvelle {

TForm2::TForm2() : QWidget(nullptr, Qt::Window) {
    setObjectName("Form2");
    FormCreate();
}

void TForm2::FormCreate() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    move(0, 0);
    resize(area.size());
    // The client area is what the window system leaves inside the frame and title bar; before
    // the window is shown that is the size asked for, less the frame it will get.
    const QMargins frame = frameGeometry().size() == size()
                               ? QMargins(0, 0, 0, 0)
                               : QMargins(geometry().left() - frameGeometry().left(),
                                          geometry().top() - frameGeometry().top(),
                                          frameGeometry().right() - geometry().right(),
                                          frameGeometry().bottom() - geometry().bottom());
    ViewerClientWidth = area.width() - frame.left() - frame.right();
    ViewerClientHeight = area.height() - frame.top() - frame.bottom();
    // Qt paints every widget double-buffered already.
}

}  // namespace orvelle
