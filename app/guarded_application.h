// The application object: an exception that no handler caught is shown in a box titled
// "错误" with the error icon, and the program goes on.
#pragma once

#include <QApplication>
#include <functional>

namespace orvelle {

class GuardedApplication : public QApplication {
public:
    GuardedApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // How the text of an uncaught error is shown; a modal box unless replaced (tests).
    static std::function<void(const QString&)> reportError;
};

}  // namespace orvelle
