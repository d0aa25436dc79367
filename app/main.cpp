// Project1: the imaging session first, then the application and its three windows, the event
// loop, and at the end the session closed before the windows go.
#include <QTimer>
#include <memory>

#include "guarded_application.h"
#include "imaging/gdipobj.h"
#include "main_window.h"
#include "path_text.h"
#include "qt_language.h"
#include "save_page_dialog.h"
#include "viewer/viewer_window.h"
#include "window_placement.h"

int main(int argc, char** argv) {
    orvelle::ImagingSession::open();
    orvelle::GuardedApplication application(argc, argv);
    orvelle::installWindowLanguage(application);
    application.setWindowIcon(QIcon(":/images/orvelle-32.png"));

    auto form1 = std::make_unique<orvelle::TForm1>();
    auto form2 = std::make_unique<orvelle::TForm2>();
    auto saveDlg = std::make_unique<orvelle::TSaveDlg>(form1.get());
    form1->useWindows(form2.get(), saveDlg.get());
    // Closing the main window ends the program, also while the viewer is open.
    QObject::connect(form1.get(), &orvelle::TForm1::closed, &application, &QCoreApplication::quit);

    form1->show();
    orvelle::centreOnScreen(*form1);
    // "Open with Orvelle" from a file manager: the TIFF named on the command line is opened as
    // if it had been chosen with "打开".
    // The name as its bytes: a file manager hands over names that are not UTF-8 too.
    if (argc > 1) {
        form1->SpeedButton1Click();
        QTimer::singleShot(0, form1.get(), [&form1, path = orvelle::pathText(argv[1])] {
            orvelle::settleWindows();
            form1->openTiff(path);
        });
    }
    const int status = application.exec();

    orvelle::ImagingSession::close();
    saveDlg.reset();
    form2.reset();
    form1.reset();
    return status;
}
