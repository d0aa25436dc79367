// The dialog that saves the selected page under a chosen name and type.
#pragma once

#include <QDialog>

namespace orvelle {

class TSaveDlg : public QDialog {
    Q_OBJECT
public:
    explicit TSaveDlg(QWidget* owner);
};

}  // namespace orvelle
