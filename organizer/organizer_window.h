// The page organizer: a window of its own with a document's pages as tiles, where they are
// turned, deleted, moved, inserted and reversed (each edit shown at once, undoable without
// limit), and saved over the document or as a new TIFF or PDF without loss.
#pragma once

#include <QImage>
#include <QMainWindow>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "jobs/job_cancel.h"
#include "merge/page_order.h"

class QAction;
class QFile;
class QLabel;
class QProgressBar;

namespace orvelle {

class PageGrid;
class TileDrawer;

class OrganizerWindow : public QMainWindow {
    Q_OBJECT
public:
    // The document at `path` with `pages` pages, `tiles` the tiles already drawn of them
    // (the page list's; missing ones are drawn here).
    OrganizerWindow(const QString& path, uint32_t pages, const std::vector<QImage>& tiles, QWidget* parent = nullptr);
    ~OrganizerWindow() override;

signals:
    // The document was written over: whoever shows it reads it again.
    void documentSaved(const QString& path);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QAction* addEdit(const QString& text, int icon, const QList<QKeySequence>& keys, void (OrganizerWindow::*slot)());
    void buildMenus();
    // Shows the present order, selecting `rows`.
    void showPages(const std::vector<int>& rows);
    void edited(const std::vector<int>& select);
    QImage tileOf(const PagePlace& place);
    QImage sourceTile(const std::string& path, uint32_t page);
    // Shows the tiles drawn since the last batch on the places that show their pages.
    void showDrawnTiles();
    // How a place's file is named in its caption.
    QString fileNameOf(const std::string& path) const;

    void turnLeft();
    void turnRight();
    void turnHalf();
    void turn(int quarterTurns);
    void deletePages();
    void moveLeft();
    void moveRight();
    void insertBlank();
    void insertFiles();
    void insertFilesAt(const QStringList& paths, int before);
    void reversePages();
    void interleavePages();
    void undo();
    void redo();
    void selectOdd();
    void selectEven();
    void selectBlank();
    void save();
    void saveAs();
    // After a save over the document: its pages shown in order, the document as it was read
    // at `earlier` by the edits before (none: they cannot be undone).
    void showSavedDocument(const std::string& earlier);
    // The pages, in their present order, cut into documents written to a folder.
    void splitIntoDocuments();
    // Writes the present order to `target` (a PDF made searchable when asked); true when it
    // is in place.
    bool write(const QString& target, bool searchable = false);
    // Writes the present order to a new PDF, the words of its pages recognised and laid over
    // them.
    void saveSearchablePdf();
    // Runs `job` with the window's progress bar and Escape to cancel, the edits held meanwhile.
    void runJob(MessageSink& messages, const std::function<void(JobContext&)>& job);
    // True when the window may close: no unsaved edits, or the user chose.
    bool settled();

    QString m_path;
    PageOrder m_order;
    std::map<std::pair<std::string, uint32_t>, QImage> m_tiles;  // as stored, unturned
    std::set<std::pair<std::string, uint32_t>> m_drawnSinceShown;
    std::unique_ptr<TileDrawer> m_tileDrawer;
    // The document as it was before each save, held open so that undoing past a save reads
    // its pages; by the name that reads it, with the caption's name for it.
    std::map<std::string, QString> m_earlierVersions;
    PageGrid* m_grid = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_status = nullptr;
    QAction* m_undo = nullptr;
    QAction* m_redo = nullptr;
    QAction* m_save = nullptr;
    JobCancel m_cancel;
    bool m_busy = false;
};

}  // namespace orvelle
