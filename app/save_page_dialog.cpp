#include "save_page_dialog.h"

namespace orvelle {

TSaveDlg::TSaveDlg(QWidget* owner) : QDialog(owner) { setObjectName("SaveDlg"); }

}  // namespace orvelle
