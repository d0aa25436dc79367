#include "qt_language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "jobs/texts.h"

namespace orvelle {

namespace {

bool installTranslation(QCoreApplication& application, const QString& name, const QString& folder) {
    // Owned by the application: it lives as long as the texts it translates.
    auto* translator = new QTranslator(&application);
    if (!translator->load(name, folder)) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

}  // namespace

bool installQtChinese(QCoreApplication& application) {
    return installTranslation(application, "qtbase_zh_CN",
                              QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

bool installWindowEnglish(QCoreApplication& application) {
    return installTranslation(application, "orvelle_en.qm", ":/i18n");
}

void installWindowLanguage(QCoreApplication& application) {
    // Without them, Qt's own texts stay English, and the window's Chinese.
    if (programLanguage() == Language::English)
        (void)installWindowEnglish(application);
    else
        (void)installQtChinese(application);
}

}  // namespace orvelle
