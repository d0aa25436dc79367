#include "remembered_choices.h"

#include "path_text.h"

#include <sys/stat.h>

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

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
// A few folders and eight paths: a file far larger than this holds no choices of ours.
constexpr qint64 kMaxSettingsBytes = 1 << 20;

// The settings of the file at `path`, unless something other than a regular file of a sane
// size is there; nothing is read before that is known.
std::unique_ptr<QSettings> openSettings(const QString& path) {
    struct stat info {};
    const QByteArray name = QFile::encodeName(path);
    if (::stat(name.constData(), &info) == 0 && (!S_ISREG(info.st_mode) || info.st_size > kMaxSettingsBytes))
        return nullptr;
    return std::make_unique<QSettings>(path, QSettings::IniFormat);
}

}  // namespace

QString RememberedChoices::settingsPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/orvelle/orvelle.conf";
}

RememberedChoices::RememberedChoices() : m_settings(openSettings(settingsPath())) {}

void RememberedChoices::forgetAll() {
    if (const std::unique_ptr<QSettings> settings = openSettings(settingsPath())) settings->clear();
}

QVariant RememberedChoices::value(const QString& key) const {
    return m_settings ? m_settings->value(key) : m_thisRunOnly.value(key);
}

void RememberedChoices::setValue(const QString& key, const QVariant& value) {
    if (m_settings)
        m_settings->setValue(key, value);
    else
        m_thisRunOnly.insert(key, value);
}

QString RememberedChoices::folder(Folder which) const {
    return value(folderKey(which)).toString();
}

void RememberedChoices::startIn(QFileDialog& dialog, Folder which) const {
    const QString start = folder(which);
    if (!start.isEmpty() && QFileInfo(start).isDir()) dialog.setDirectory(start);
}

void RememberedChoices::setFolder(Folder which, const QString& folderOrFile, bool isFile) {
    if (folderOrFile.isEmpty()) return;
    setValue(folderKey(which),
                        isFile ? QFileInfo(folderOrFile).absolutePath() : folderOrFile);
}

QStringList RememberedChoices::recentTiffs() const {
    // Each name as its bytes, which need not be UTF-8; a name kept as text by an earlier
    // version is taken as it is.
    QStringList recent;
    for (const QVariant& entry : value(kRecentKey).toList())
        recent.append(entry.typeId() == QMetaType::QByteArray ? pathText(entry.toByteArray().toStdString())
                                                               : entry.toString());
    recent.removeDuplicates();
    return recent.mid(0, kRecentTiffs);
}

void RememberedChoices::setRecentTiffs(const QStringList& paths) {
    QVariantList entries;
    for (const QString& path : paths.mid(0, kRecentTiffs))
        entries.append(QByteArray::fromStdString(pathBytes(path)));
    setValue(kRecentKey, entries);
}

void RememberedChoices::addRecentTiff(const QString& path) {
    QStringList recent = recentTiffs();
    recent.removeAll(path);
    recent.prepend(path);
    setRecentTiffs(recent);
}

void RememberedChoices::removeRecentTiff(const QString& path) {
    QStringList recent = recentTiffs();
    recent.removeAll(path);
    setRecentTiffs(recent);
}

std::optional<int> RememberedChoices::number(const QString& key) const {
    bool ok = false;
    const int number = value(key).toInt(&ok);
    return ok ? std::optional<int>(number) : std::nullopt;
}

void RememberedChoices::setNumber(const QString& key, int value) {
    setValue(key, value);
}

}  // namespace orvelle
