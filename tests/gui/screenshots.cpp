// Writes a picture of each of the main window's four pages into the folder it is given
// (docs/ in the repository): `make screenshots`.
#include <QDir>
#include <QPixmap>
#include <QSettings>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QToolButton>

#include "app/about_page.h"
#include "app/guarded_application.h"
#include "app/main_window.h"
#include "app/side_bar.h"
#include "imaging/gdipobj.h"

int main(int argc, char** argv) {
    orvelle::ImagingSession::open();
    int status = 0;
    {
        orvelle::GuardedApplication application(argc, argv);
        const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString("docs");
        QDir().mkpath(folder);
        // Pictures of a first run: none of the user's remembered choices.
        QTemporaryDir settings;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
        orvelle::TForm1 window;
        window.show();
        const std::pair<QToolButton*, const char*> pages[] = {
            {window.Panel3->SpeedButton1, "split-page.png"},
            {window.Panel3->SpeedButton2, "merge-page.png"},
            {window.Panel3->SpeedButton3, "about-page.png"},
            {window.Panel3->SpeedButton5, "help-page.png"}};
        for (const auto& [button, name] : pages) {
            button->click();
            QApplication::processEvents();
            if (!window.grab().save(folder + "/" + name)) status = 1;
        }
    }
    orvelle::ImagingSession::close();
    return status;
}
