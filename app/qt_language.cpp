#include "qt_language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

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

}  // namespace orvelle
