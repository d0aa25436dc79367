#include "viewer_window.h"

#include "picture_box.h"

#include <QGuiApplication>
#include <QScreen>

namespace orvelle {

TForm2::TForm2() : QWidget(nullptr, Qt::Window) {
    setObjectName("Form2");
    Image1 = new PictureBox(this);
    Image1->setObjectName("Image1");
    FormCreate();
}

void TForm2::FormCreate() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    move(0, 0);
    resize(area.size());
    // The fit area is what the window offers inside its frame. The window system reports the
    // frame only once the window has been shown, so until then it is the size just asked for.
    ViewerClientWidth = width();
    ViewerClientHeight = height();
    // Qt paints every widget double-buffered already.
}

}  // namespace orvelle
