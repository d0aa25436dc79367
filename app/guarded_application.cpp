#include "guarded_application.h"

#include <QCoreApplication>

#include "jobs/texts.h"

#include <QMessageBox>
#include <exception>

namespace orvelle {

std::function<void(const QString&)> GuardedApplication::reportError = [](const QString& text) {
    QMessageBox::critical(QApplication::activeWindow(),
                          QString::fromStdString(say(TextId::ErrorTitle)), text);
};

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        reportError(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        reportError(QCoreApplication::translate("Orvelle", "未知错误"));
    }
    return false;
}

}  // namespace orvelle
