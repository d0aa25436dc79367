// The split page: the TIFF source, its page list and the export options.
#pragma once

#include <QImage>
#include <QList>
#include <QWidget>
#include <optional>
#include <string>

#include "imaging/output_formats.h"
#include "split/page_listing.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QListWidget;
class QSpinBox;
class QToolButton;
class QFrame;

namespace orvelle {

class PictureBox;

class SplitPage : public QWidget, public PageListSink {
    Q_OBJECT
public:
    explicit SplitPage(QWidget* parent);

    // What the export takes: the source TIFF, the output folder, the chosen format.
    std::string sourcePath() const;
    // The source as the field shows it, and a new one to show.
    QString sourceText() const;
    void setSourcePath(const QString& path);
    std::string outputFolder() const;
    void setOutputFolder(const QString& folder);
    ExportFormat format() const;

    // The page list: one entry per page of the source, in page order, each with the tile that
    // Image2 holds when it is added. The tiles are kept in ImageList1.
    void addPage(const std::string& caption) override;
    void clearPages();
    // The selected entry's position, which is its page index; -1 when none is selected.
    int selectedPage() const;
    // Where the listing draws each page's tile before addPage takes it.
    TileTarget& tileTarget();
    // The tile of page `page`; nothing when the list has no such page.
    std::optional<QImage> pageTile(int page) const;
    int pageCount() const { return static_cast<int>(ImageList1.size()); }

    // The TIFF files opened last, newest first: the context menu of "打开".
    void setRecentTiffs(const QStringList& paths);

    // The percentage as the spin box shows it, typed text included even when not yet
    // committed, clamped to 1..1000 and committed to the box.
    int percent();

    QGroupBox* GroupBox1;
    QLabel* Label1;
    QLineEdit* Edit1;
    QToolButton* SpeedButton4;
    QListWidget* ListView1;
    QGroupBox* GroupBox2;
    QLabel* Label2;
    QLineEdit* Edit2;
    QToolButton* SpeedButton7;
    QLabel* Label3;
    QComboBox* FlatComboBox1;
    QLabel* Label4;
    QSpinBox* SpinEdit1;
    QFrame* Bevel1;
    QToolButton* SpeedButton6;
    PictureBox* Image2;
    QList<QImage> ImageList1;
    // The page list's context menu: "本页另存为", a separator, "观看大图片".
    QMenu* PopupMenu1;
    QAction* N1;
    QAction* N2;
    QAction* LosslessSaveAction;  // the page copied as stored into a TIFF
    QAction* OrganizeAction;      // the document's pages in the page organizer
    QMenu* RecentMenu;            // "打开"'s context menu: the TIFF files opened last

  signals:
    // A file was dropped onto the page list from a file manager.
    void tiffDropped(const QString& path);
    // A file was chosen from the TIFF files opened last.
    void recentTiffChosen(const QString& path);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// A read-only one-line field with a flat border and red text, as the path fields are.
QLineEdit* pathField(QWidget* parent, const char* objectName, const QRect& geometry);

}  // namespace orvelle
