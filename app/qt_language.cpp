#include "qt_language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "jobs/texts.h"

namespace orvelle {

bool installQtChinese(QCoreApplication& application) {
    // Owned by the application: it lives as long as the texts it translates.
    auto* translator = new QTranslator(&application);
    if (!translator->load("qtbase_zh_CN", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

bool installWindowEnglish(QCoreApplication& application) {
    auto* translator = new QTranslator(&application);
    if (!translator->load(":/i18n/orvelle_en.qm")) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

void installWindowLanguage(QCoreApplication& application) {
    // Without them, Qt's own texts stay English, and the window's Chinese.
    if (programLanguage() == Language::English)
        (void)installWindowEnglish(application);
    else
        (void)installQtChinese(application);
}

}  // namespace orvelle
