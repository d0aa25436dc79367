// The dialog that saves the selected page under a chosen name and type.
#pragma once

#include <QDialog>

namespace orvelle {

class PictureBox;

class TSaveDlg : public QDialog {
    Q_OBJECT
public:
    explicit TSaveDlg(QWidget* owner);

    // The preview of the page to save: the selected page's tile.
    PictureBox* Image1;
};

}  // namespace orvelle
