#include "side_bar.h"

#include <QCursor>
#include <QEvent>
#include <QFrame>
#include <QToolButton>

#include "look.h"

namespace orvelle {

SideBar::SideBar(QWidget* parent) : QWidget(parent) {
    setObjectName("Panel3");
    look::paintBackground(this, Qt::black);
    auto make = [this](const char* name, const QString& caption, const char* picture, int top) {
        QToolButton* button = look::speedButton(this, name, caption, picture,
                                                look::PictureSide::Above, QRect(8, top, 153, 65));
        button->installEventFilter(this);
        button->setStyleSheet(
            "QToolButton { color: yellow; background: transparent; border: none; }"
            "QToolButton:hover { border: 1px solid rgb(166, 202, 240); }"
            "QToolButton:focus { border: 1px dotted yellow; }");
        return button;
    };
    SpeedButton1 = make("SpeedButton1", tr("图片分解"), ":/images/side_split.png", 16);
    SpeedButton2 = make("SpeedButton2", tr("图片合成"), ":/images/side_merge.png", 104);
    SpeedButton3 = make("SpeedButton3", tr("版权信息"), ":/images/side_about.png", 200);
    SpeedButton5 = make("SpeedButton5", tr("简易说明"), ":/images/side_help.png", 280);
    SpeedButton11 = make("SpeedButton11", tr("退 出"), ":/images/side_exit.png", 368);
    Bevel8 = look::bevel(this, "Bevel8", QRect(8, 200, 153, 65));
    Bevel8->setStyleSheet("QFrame#Bevel8 { border: 2px inset rgb(166, 202, 240); }");
    Bevel8->raise();
}

void SideBar::moveMarkerTo(int top) { Bevel8->move(Bevel8->x(), top); }

void SideBar::forgetStaleHover() {
    for (QToolButton* button : findChildren<QToolButton*>()) {
        if (!button->testAttribute(Qt::WA_UnderMouse) ||
            button->rect().contains(button->mapFromGlobal(QCursor::pos())))
            continue;
        button->setAttribute(Qt::WA_UnderMouse, false);
        button->update();
    }
}

bool SideBar::eventFilter(QObject*, QEvent* event) {
    // Only one button can be under the pointer: the one it enters.
    if (event->type() == QEvent::Enter) forgetStaleHover();
    return false;
}

}  // namespace orvelle
