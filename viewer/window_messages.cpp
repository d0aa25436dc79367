#include "window_messages.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

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

bool WindowMessages::ask(const std::string& text, const std::string& title) {
    QWidget* modal = QApplication::activeModalWidget();
    QMessageBox box(QMessageBox::Question, QString::fromStdString(title), QString::fromStdString(text),
                    QMessageBox::NoButton, modal ? modal : m_owner);
    box.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    QPushButton* yes =
        box.addButton(QCoreApplication::translate("Orvelle", "是"), QMessageBox::YesRole);
    box.setDefaultButton(
        box.addButton(QCoreApplication::translate("Orvelle", "否"), QMessageBox::NoRole));
    box.exec();
    return box.clickedButton() == yes;
}

}  // namespace orvelle
