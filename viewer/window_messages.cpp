#include "window_messages.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

namespace orvelle {
namespace {

// A title and a close button: a message has nothing to minimize or maximize.
const Qt::WindowFlags kMessageFlags =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

// Over the dialog that is open, if any, so that the message does not hide behind it.
QWidget* ownerFor(QWidget* window) {
    QWidget* modal = QApplication::activeModalWidget();
    return modal ? modal : window;
}

}  // namespace

void WindowMessages::show(const std::string& text, const std::string& title, MessageIcon icon) {
    show(text, title, icon, {});
}

void WindowMessages::show(const std::string& text, const std::string& title, MessageIcon icon,
                          const std::string& details) {
    QMessageBox box(icon == MessageIcon::Error ? QMessageBox::Critical : QMessageBox::Information,
                    QString::fromStdString(title), QString::fromStdString(text), QMessageBox::Ok,
                    ownerFor(m_owner));
    if (!details.empty()) box.setDetailedText(QString::fromStdString(details));
    box.setWindowFlags(kMessageFlags);
    box.exec();
}

bool WindowMessages::ask(const std::string& text, const std::string& title) {
    QMessageBox box(QMessageBox::Question, QString::fromStdString(title), QString::fromStdString(text),
                    QMessageBox::NoButton, ownerFor(m_owner));
    box.setWindowFlags(kMessageFlags);
    QPushButton* yes =
        box.addButton(QCoreApplication::translate("Orvelle", "是"), QMessageBox::YesRole);
    box.setDefaultButton(
        box.addButton(QCoreApplication::translate("Orvelle", "否"), QMessageBox::NoRole));
    box.exec();
    return box.clickedButton() == yes;
}

}  // namespace orvelle
