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

// The file dialog's type column asks for words Qt's Chinese catalogue lacks: a folder was
// called "Folder" among Chinese words.
class FileTypeWords : public QTranslator {
public:
    using QTranslator::QTranslator;

    QString translate(const char* context, const char* source, const char* /*disambiguation*/,
                      int /*n*/) const override {
        if (qstrcmp(context, "QAbstractFileIconProvider") != 0) return {};
        if (qstrcmp(source, "Folder") == 0) return QStringLiteral("文件夹");
        if (qstrcmp(source, "Drive") == 0) return QStringLiteral("驱动器");
        if (qstrcmp(source, "%1 File") == 0) return QStringLiteral("%1 文件");
        if (qstrcmp(source, "File") == 0) return QStringLiteral("文件");
        return {};
    }

    bool isEmpty() const override { return false; }
};

}  // namespace

bool installQtChinese(QCoreApplication& application) {
    if (!installTranslation(application, "qtbase_zh_CN", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    return QCoreApplication::installTranslator(new FileTypeWords(&application));
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
