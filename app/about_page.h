// The about page: the about picture, a version strip and an invisible link to the web site.
#pragma once

#include <QWidget>

class QFrame;
class QLabel;
class QToolButton;

namespace orvelle {

class PictureBox;

class AboutPage : public QWidget {
    Q_OBJECT
public:
    explicit AboutPage(QWidget* parent);

    // Puts the link button's bottom edge on the picture's bottom edge (415 px).
    void placeLinkButton();

    PictureBox* Image4;
    QFrame* Bevel9;
    QToolButton* SpeedButton16;
    QWidget* Panel6;
    QLabel* Label8;
    QLabel* Image5;
    QLabel* Label9;
};

extern const char* const kAboutAddress;

}  // namespace orvelle
