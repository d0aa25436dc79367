// The picture viewer: a screen-sized window whose fit area is measured once, when it is
// created.
#pragma once

#include <QWidget>

namespace orvelle {

class PictureBox;

class TForm2 : public QWidget {
    Q_OBJECT
public:
    TForm2();

    // The window's only control; empty until a picture is shown.
    PictureBox* Image1;

    int ViewerClientWidth = 0;
    int ViewerClientHeight = 0;

private:
    void FormCreate();
};

}  // namespace orvelle
