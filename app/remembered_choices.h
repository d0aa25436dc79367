// What the window remembers between runs, in the user's settings (~/.config/orvelle): the
// folder each dialog last showed, the split's format and percentage, the merge's page choice
// and the TIFF files opened last.
#pragma once

#include <QSettings>
#include <QStringList>
#include <QVariantMap>
#include <memory>
#include <optional>

class QFileDialog;

namespace orvelle {

class RememberedChoices {
  public:
    enum class Folder { OpenTiff, SplitOutput, AddPictures, MergeOutput, SavePage };
    static constexpr int kRecentTiffs = 8;

    RememberedChoices();
    // Everything remembered is forgotten: the next run starts as the first did.
    static void forgetAll();

    // Empty when that dialog has not been used yet.
    QString folder(Folder which) const;
    // Opens `dialog` in that folder, when there is one.
    void startIn(QFileDialog& dialog, Folder which) const;
    // A folder, or a file whose folder is meant.
    void setFolder(Folder which, const QString& folderOrFile, bool isFile);

    // Newest first, at most kRecentTiffs, each once.
    QStringList recentTiffs() const;
    void addRecentTiff(const QString& path);
    void removeRecentTiff(const QString& path);

    std::optional<int> number(const QString& key) const;
    void setNumber(const QString& key, int value);

    // The settings file, ~/.config/orvelle/orvelle.conf (or under $XDG_CONFIG_HOME).
    static QString settingsPath();

  private:
    void setRecentTiffs(const QStringList& paths);
    QVariant value(const QString& key) const;
    void setValue(const QString& key, const QVariant& value);

    // Null when the settings file is not a regular file of a sane size (a FIFO would hang
    // the window before it appears, a huge file slow its start and its end): choices are
    // then remembered for this run only, and the file is left as it is.
    std::unique_ptr<QSettings> m_settings;
    QVariantMap m_thisRunOnly;
};

}  // namespace orvelle
