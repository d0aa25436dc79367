#include "window_messages.h"

#include <QApplication>
#include <QMessageBox>

namespace orvelle {

void WindowMessages::show(const std::string& text, const std::string& title, MessageIcon icon) {
    show(text, title, icon, {});
}

void WindowMessages::show(const std::string& text, const std::string& title, MessageIcon icon,
                          const std::string& details) {
    QWidget* modal = QApplication::activeModalWidget();
    QMessageBox box(icon == MessageIcon::Error ? QMessageBox::Critical : QMessageBox::Information,
                    QString::fromStdString(title), QString::fromStdString(text), QMessageBox::Ok,
                    modal ? modal : m_owner);
    if (!details.empty()) box.setDetailedText(QString::fromStdString(details));
    // A title and a close button: a message has nothing to minimize or maximize.
    box.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    box.exec();
}

}  // namespace orvelle
