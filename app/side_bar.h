// The black side bar: five buttons with pictures and the marker framing the page's button.
#pragma once

#include <QWidget>

class QFrame;
class QToolButton;

namespace orvelle {

class SideBar : public QWidget {
    Q_OBJECT
public:
    explicit SideBar(QWidget* parent);

    // Frames the button at `top`; the marker's left and size never change.
    void moveMarkerTo(int top);
    // Takes the hover frame from every button the pointer is not over. A drag from another
    // program passes over the buttons without the leave events that would end their hover.
    void forgetStaleHover();

    QToolButton* SpeedButton1;
    QToolButton* SpeedButton2;
    QToolButton* SpeedButton3;
    QToolButton* SpeedButton5;
    QToolButton* SpeedButton11;
    QFrame* Bevel8;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace orvelle
