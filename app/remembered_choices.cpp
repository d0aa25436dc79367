#include "remembered_choices.h"

#include <QFileDialog>
#include <QFileInfo>

namespace orvelle {
namespace {

QString folderKey(RememberedChoices::Folder which) {
    using Folder = RememberedChoices::Folder;
    switch (which) {
        case Folder::OpenTiff:
            return "folders/openTiff";
        case Folder::SplitOutput:
            return "folders/splitOutput";
        case Folder::AddPictures:
            return "folders/addPictures";
        case Folder::MergeOutput:
            return "folders/mergeOutput";
        case Folder::SavePage:
            return "folders/savePage";
    }
    return "folders/other";
}

const char* const kRecentKey = "recentTiffs";
const QSettings::Format kFormat = QSettings::NativeFormat;
const char* const kOwner = "orvelle";

}  // namespace

RememberedChoices::RememberedChoices()
    : m_settings(kFormat, QSettings::UserScope, kOwner, kOwner) {}

void RememberedChoices::forgetAll() {
    QSettings(kFormat, QSettings::UserScope, kOwner, kOwner).clear();
}

QString RememberedChoices::folder(Folder which) const {
    return m_settings.value(folderKey(which)).toString();
}

void RememberedChoices::startIn(QFileDialog& dialog, Folder which) const {
    const QString start = folder(which);
    if (!start.isEmpty() && QFileInfo(start).isDir()) dialog.setDirectory(start);
}

void RememberedChoices::setFolder(Folder which, const QString& folderOrFile, bool isFile) {
    if (folderOrFile.isEmpty()) return;
    m_settings.setValue(folderKey(which),
                        isFile ? QFileInfo(folderOrFile).absolutePath() : folderOrFile);
}

QStringList RememberedChoices::recentTiffs() const {
    QStringList recent = m_settings.value(kRecentKey).toStringList();
    recent.removeDuplicates();
    return recent.mid(0, kRecentTiffs);
}

void RememberedChoices::addRecentTiff(const QString& path) {
    QStringList recent = recentTiffs();
    recent.removeAll(path);
    recent.prepend(path);
    m_settings.setValue(kRecentKey, recent.mid(0, kRecentTiffs));
}

void RememberedChoices::removeRecentTiff(const QString& path) {
    QStringList recent = recentTiffs();
    recent.removeAll(path);
    m_settings.setValue(kRecentKey, recent);
}

std::optional<int> RememberedChoices::number(const QString& key) const {
    bool ok = false;
    const int value = m_settings.value(key).toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

void RememberedChoices::setNumber(const QString& key, int value) {
    m_settings.setValue(key, value);
}

}  // namespace orvelle
