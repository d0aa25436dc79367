#include "window_messages.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>

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

// A window manager draws the title in the box's width: a short message left "Information"
// cut to "Inf… on". The box is kept wide enough for its title beside the title bar's icon
// and close button.
void roomForTitle(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid) return;
    const int width = box.fontMetrics().horizontalAdvance(box.windowTitle()) + 120;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                  grid->columnCount());
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
    roomForTitle(box);
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
    roomForTitle(box);
    box.exec();
    return box.clickedButton() == yes;
}

}  // namespace orvelle
