#include "save_page_dialog.h"

#include "viewer/picture_box.h"

namespace orvelle {

TSaveDlg::TSaveDlg(QWidget* owner) : QDialog(owner) {
    setObjectName("SaveDlg");
    Image1 = new PictureBox(this);
    Image1->setObjectName("Image1");
    Image1->setGeometry(18, 18, 120, 120);
}

}  // namespace orvelle
