#include "about_page.h"

#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QToolButton>

#include "viewer/picture_box.h"
#include "resource_picture.h"
#include "look.h"
#include "page_geometry.h"

namespace orvelle {

const char* const kAboutAddress = "https://orvelle.org/";

namespace {
constexpr int kPictureHeight = 415;
}

AboutPage::AboutPage(QWidget* parent) : QWidget(parent) {
    setObjectName("TabSheet3");
    constexpr int kStripHeight = 23;
    Image4 = new PictureBox(this);
    Image4->setObjectName("Image4");
    Image4->setGeometry(0, 0, kPageWidth, kPageHeight - kStripHeight);
    Image4->setPicture(decodeResourcePicture(tr(":/images/about.jpg")));
    Bevel9 = look::bevel(this, "Bevel9", Image4->geometry());
    Bevel9->setFrameShape(QFrame::Panel);

    // No caption and no picture: a hot area over the picture's lower right corner.
    SpeedButton16 = look::speedButton(this, "SpeedButton16", QString(), QString(),
                                      look::PictureSide::Left, QRect(456, 392, 153, 21));
    SpeedButton16->setCursor(Qt::PointingHandCursor);
    SpeedButton16->setToolTip(kAboutAddress);
    // The picture draws the link; a raised button under the pointer would hide it.
    SpeedButton16->setStyleSheet(
        "QToolButton { background: transparent; border: none; }"
        "QToolButton:focus { border: 1px dotted rgb(250, 204, 72); }");

    Panel6 = new QWidget(this);
    Panel6->setObjectName("Panel6");
    Panel6->setGeometry(0, kPageHeight - kStripHeight, kPageWidth, kStripHeight);
    look::paintBackground(Panel6, Qt::black);
    Label8 = look::label(Panel6, "Label8", tr("初次编译:2010.8.4  "), QRect(16, 4, 133, 14));
    Label8->setStyleSheet("color: yellow;");
    Image5 = new QLabel(Panel6);
    Image5->setObjectName("Image5");
    Image5->setGeometry(320, 3, 16, 16);
    Image5->setPixmap(QPixmap(":/images/version.png"));
    Label9 = look::label(Panel6, "Label9", tr("当前版本:1.002     最后编译:2010.8.5"),
                         QRect(344, 4, 252, 14));
    Label9->setStyleSheet("color: red;");
}

void AboutPage::placeLinkButton() {
    SpeedButton16->move(SpeedButton16->x(), kPictureHeight - SpeedButton16->height());
}

}  // namespace orvelle
