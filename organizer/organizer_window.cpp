#include "organizer_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPainter>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "edit_icons.h"
#include "documents_dialog.h"
#include "interleave_dialog.h"
#include "imaging/blank_pages.h"
#include "jobs/texts.h"
#include "imaging/text_path.h"
#include "imaging/thumbnail_tile.h"
#include "page_grid.h"
#include "tile_drawer.h"
#include "viewer/picture_box.h"
#include "viewer/window_messages.h"

namespace orvelle {
namespace {

std::string bytesOf(const QString& path) { return QFile::encodeName(path).toStdString(); }

// A save's progress in the window's status bar.
class BarProgress : public ProgressDisplay {
public:
    BarProgress(QProgressBar* bar, QLabel* text) : m_bar(bar), m_text(text) {}
    void begin(int steps, const std::string& text) override {
        m_bar->setRange(0, std::max(steps, 1));
        m_bar->setValue(0);
        m_bar->show();
        m_text->setText(QString::fromStdString(text));
    }
    void step(int position) override { m_bar->setValue(position + 1); }
    void end() override {
        m_bar->hide();
        m_text->clear();
    }

private:
    QProgressBar* m_bar;
    QLabel* m_text;
};

// What went wrong in a save, in a message box over the organizer; its pages on screen are
// what says that it went right.
class FailuresOnly : public MessageSink {
public:
    explicit FailuresOnly(QWidget* owner) : m_boxes(owner) {}
    void show(const std::string& text, const std::string& title, MessageIcon icon) override {
        if (icon == MessageIcon::Error) m_boxes.show(text, title, icon);
    }
    void show(const std::string& text, const std::string& title, MessageIcon icon, const std::string& details) override {
        if (icon == MessageIcon::Error) m_boxes.show(text, title, icon, details);
    }

private:
    WindowMessages m_boxes;
};

class QtEvents : public EventPump {
public:
    void processPendingEvents() override { QApplication::processEvents(); }
};

// A white tile with a page of `width` x `height` outlined in its middle: a blank page.
QImage blankTile(uint32_t width, uint32_t height) {
    QImage tile(kTileEdge, kTileEdge, QImage::Format_RGB32);
    tile.fill(Qt::white);
    const TileSize size = tileSizeFor(width, height);
    QPainter p(&tile);
    p.setPen(QColor(200, 200, 200));
    p.drawRect(0, 0, kTileEdge - 1, kTileEdge - 1);
    p.setPen(QColor(150, 150, 150));
    p.drawRect((kTileEdge - size.width) / 2, (kTileEdge - size.height) / 2, size.width - 1, size.height - 1);
    return tile;
}

const char* const kAllPictures = " (*.tif *.tiff *.jpg *.jpe *.jpeg *.bmp *.png *.gif *.pdf "
                                 "*.TIF *.TIFF *.JPG *.JPE *.JPEG *.BMP *.PNG *.GIF *.PDF)";

}  // namespace

OrganizerWindow::OrganizerWindow(const QString& path, uint32_t pages, const std::vector<QImage>& tiles, QWidget* parent)
    : QMainWindow(parent), m_path(path), m_order(bytesOf(path), pages) {
    setObjectName("OrganizerWindow");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("整理页面 - %1").arg(QFileInfo(path).fileName()) + "[*]");
    for (size_t page = 0; page < tiles.size() && page < pages; ++page)
        if (!tiles[page].isNull()) m_tiles[{bytesOf(path), static_cast<uint32_t>(page)}] = tiles[page];
    m_tileDrawer = std::make_unique<TileDrawer>(
        [this](const std::string& file, uint32_t page, const QImage& tile) {
            m_tiles[{file, page}] = tile.isNull() ? blankTile(1, 1) : tile;
            m_drawnSinceShown.insert({file, page});
        },
        [this] { showDrawnTiles(); });
    m_grid = new PageGrid(this);
    m_grid->setObjectName("PageGrid");
    setCentralWidget(m_grid);
    connect(m_grid, &PageGrid::moveRequested, this, [this](const std::vector<int>& rows, int before) {
        m_order.move(rows, before);
        std::vector<int> moved;
        for (const int row : rows) moved.push_back(m_order.lastMoves().empty() ? row : m_order.lastMoves()[row]);
        edited(moved);
    });
    connect(m_grid, &PageGrid::filesDropped, this, &OrganizerWindow::insertFilesAt);
    m_status = new QLabel(this);
    m_progress = new QProgressBar(this);
    m_progress->setMaximumWidth(240);
    m_progress->hide();
    statusBar()->addWidget(m_status, 1);
    statusBar()->addPermanentWidget(m_progress);
    buildMenus();
    resize(900, 640);
    showPages({0});
}

OrganizerWindow::~OrganizerWindow() = default;

QAction* OrganizerWindow::addEdit(const QString& text, int icon, const QList<QKeySequence>& keys,
                                  void (OrganizerWindow::*slot)()) {
    auto* action = new QAction(text, this);
    if (icon >= 0) action->setIcon(editIcon(static_cast<EditIcon>(icon)));
    action->setShortcuts(keys);
    connect(action, &QAction::triggered, this, slot);
    return action;
}

void OrganizerWindow::buildMenus() {
    QToolBar* tools = addToolBar(tr("页面"));
    tools->setObjectName("OrganizerTools");
    tools->setIconSize(QSize(32, 32));
    tools->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    QMenu* file = menuBar()->addMenu(tr("文件(&F)"));
    QMenu* pages = menuBar()->addMenu(tr("页面(&P)"));
    QMenu* select = menuBar()->addMenu(tr("选择(&S)"));
    using E = EditIcon;
    m_save = addEdit(tr("保存"), static_cast<int>(E::Save), {QKeySequence::Save}, &OrganizerWindow::save);
    QAction* saveAs = addEdit(tr("另存为..."), -1, {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)}, &OrganizerWindow::saveAs);
    QAction* close = new QAction(tr("关闭"), this);
    close->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    connect(close, &QAction::triggered, this, &QWidget::close);
    QAction* searchable = addEdit(tr("另存为可搜索PDF..."), -1, {}, &OrganizerWindow::saveSearchablePdf);
    QAction* documents = addEdit(tr("分成多个文档..."), -1, {}, &OrganizerWindow::splitIntoDocuments);
    file->addActions({m_save, saveAs, searchable, documents});
    file->addSeparator();
    file->addAction(close);
    m_undo = addEdit(tr("撤销"), static_cast<int>(E::Undo), {QKeySequence::Undo}, &OrganizerWindow::undo);
    m_redo = addEdit(tr("重做"), static_cast<int>(E::Redo),
                     {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
                     &OrganizerWindow::redo);
    const QList<QAction*> edits = {
        addEdit(tr("向左旋转"), static_cast<int>(E::TurnLeft), {QKeySequence(Qt::CTRL | Qt::Key_L)}, &OrganizerWindow::turnLeft),
        addEdit(tr("向右旋转"), static_cast<int>(E::TurnRight), {QKeySequence(Qt::CTRL | Qt::Key_R)}, &OrganizerWindow::turnRight),
        addEdit(tr("旋转180°"), static_cast<int>(E::TurnHalf), {}, &OrganizerWindow::turnHalf),
        addEdit(tr("删除"), static_cast<int>(E::Delete), {QKeySequence::Delete}, &OrganizerWindow::deletePages),
        addEdit(tr("前移"), static_cast<int>(E::MoveLeft), {QKeySequence(Qt::CTRL | Qt::Key_Left)}, &OrganizerWindow::moveLeft),
        addEdit(tr("后移"), static_cast<int>(E::MoveRight), {QKeySequence(Qt::CTRL | Qt::Key_Right)}, &OrganizerWindow::moveRight),
        addEdit(tr("插入空白页"), static_cast<int>(E::Blank), {QKeySequence(Qt::CTRL | Qt::Key_B)}, &OrganizerWindow::insertBlank),
        addEdit(tr("插入文件..."), static_cast<int>(E::Insert), {QKeySequence(Qt::CTRL | Qt::Key_I)}, &OrganizerWindow::insertFiles),
        addEdit(tr("倒序"), static_cast<int>(E::Reverse), {}, &OrganizerWindow::reversePages),
        addEdit(tr("合并双面扫描..."), static_cast<int>(E::Interleave), {QKeySequence(Qt::CTRL | Qt::Key_D)},
                &OrganizerWindow::interleavePages),
    };
    tools->addActions({m_save, m_undo, m_redo});
    tools->addSeparator();
    tools->addActions(edits);
    pages->addActions({m_undo, m_redo});
    pages->addSeparator();
    pages->addActions(edits);
    QAction* all = new QAction(tr("全选"), this);
    all->setShortcut(QKeySequence::SelectAll);
    connect(all, &QAction::triggered, m_grid, &QListWidget::selectAll);
    select->addAction(all);
    select->addAction(addEdit(tr("奇数页"), -1, {}, &OrganizerWindow::selectOdd));
    select->addAction(addEdit(tr("偶数页"), -1, {}, &OrganizerWindow::selectEven));
    select->addAction(addEdit(tr("空白页"), -1, {}, &OrganizerWindow::selectBlank));
    // The keys work wherever the focus is in the window.
    for (QAction* action : findChildren<QAction*>()) addAction(action);
}

QImage OrganizerWindow::sourceTile(const std::string& path, uint32_t page) {
    const auto found = m_tiles.find({path, page});
    if (found != m_tiles.end()) return found->second;
    // A frame until the page's tile is drawn.
    m_tileDrawer->want(path, page);
    return blankTile(1, 1);
}

void OrganizerWindow::showDrawnTiles() {
    const std::vector<PagePlace>& places = m_order.places();
    for (size_t row = 0; row < places.size() && row < static_cast<size_t>(m_grid->count()); ++row)
        if (m_drawnSinceShown.count({places[row].path, places[row].page}))
            m_grid->item(static_cast<int>(row))->setIcon(QIcon(QPixmap::fromImage(tileOf(places[row]))));
    m_drawnSinceShown.clear();
}

QString OrganizerWindow::fileNameOf(const std::string& path) const {
    const auto earlier = m_earlierVersions.find(path);
    if (earlier != m_earlierVersions.end()) return earlier->second;
    return QFileInfo(QFile::decodeName(path.c_str())).fileName();
}

QImage OrganizerWindow::tileOf(const PagePlace& place) {
    const QImage tile = place.blank() ? blankTile(place.blankWidth, place.blankHeight) : sourceTile(place.path, place.page);
    return place.quarterTurns == 0 ? tile : tile.transformed(QTransform().rotate(90 * place.quarterTurns));
}

void OrganizerWindow::showPages(const std::vector<int>& rows) {
    m_grid->setUpdatesEnabled(false);
    m_grid->clear();
    const std::vector<PagePlace>& places = m_order.places();
    for (size_t row = 0; row < places.size(); ++row) {
        const PagePlace& place = places[row];
        QString caption = QString::number(row + 1);
        if (place.blank())
            caption += tr(" (空白)");
        else if (place.path != bytesOf(m_path) || place.page != row)
            caption += QString(" (%1:%2)").arg(fileNameOf(place.path)).arg(place.page + 1);
        auto* item = new QListWidgetItem(QIcon(QPixmap::fromImage(tileOf(place))), caption);
        item->setFlags(item->flags() | Qt::ItemIsDragEnabled);
        m_grid->addItem(item);
    }
    m_grid->selectRows(rows);
    m_grid->setUpdatesEnabled(true);
    m_undo->setEnabled(m_order.canUndo());
    m_redo->setEnabled(m_order.canRedo());
    setWindowModified(m_order.modified());
    m_status->setText(tr("%1页").arg(places.size()));
}

void OrganizerWindow::edited(const std::vector<int>& select) { showPages(select); }

void OrganizerWindow::turnLeft() { turn(3); }
void OrganizerWindow::turnRight() { turn(1); }
void OrganizerWindow::turnHalf() { turn(2); }

void OrganizerWindow::turn(int quarterTurns) {
    const std::vector<int> rows = m_grid->selectedRows();
    m_order.turn(rows, quarterTurns);
    edited(rows);
}

void OrganizerWindow::deletePages() {
    const std::vector<int> rows = m_grid->selectedRows();
    if (rows.empty()) return;
    m_order.remove(rows);
    // The page after the last one deleted takes the selection.
    const int next = std::min<int>(rows.front(), static_cast<int>(m_order.places().size()) - 1);
    edited({next});
}

void OrganizerWindow::moveLeft() {
    const std::vector<int> rows = m_grid->selectedRows();
    if (rows.empty() || rows.front() == 0) return;
    m_order.move(rows, rows.front() - 1);
    std::vector<int> moved;
    for (const int row : rows) moved.push_back(m_order.lastMoves()[row]);
    edited(moved);
}

void OrganizerWindow::moveRight() {
    const std::vector<int> rows = m_grid->selectedRows();
    if (rows.empty() || rows.back() + 1 >= static_cast<int>(m_order.places().size())) return;
    // Before the place two after the last: one step to the right.
    m_order.move(rows, rows.back() + 2);
    std::vector<int> moved;
    for (const int row : rows) moved.push_back(m_order.lastMoves()[row]);
    edited(moved);
}

void OrganizerWindow::insertBlank() {
    const std::vector<int> rows = m_grid->selectedRows();
    const int before = rows.empty() ? static_cast<int>(m_order.places().size()) : rows.front();
    // The size of the page beside it.
    uint32_t width = 2480, height = 3508;
    float dpi = 300;
    const std::vector<PagePlace>& places = m_order.places();
    const int beside = before < static_cast<int>(places.size()) ? before : before - 1;
    if (beside >= 0) {
        const PagePlace& near = places[beside];
        if (near.blank()) {
            width = near.blankWidth, height = near.blankHeight, dpi = near.blankDpi;
        } else {
            TGPImage page(widenPath(near.path), false);
            const PageList listed = listPages(page);
            if (near.page < listed.count && page.ActivateFrame(&listed.dimension, near.page) == Ok) {
                width = page.PixelWidth(), height = page.PixelHeight(), dpi = page.horizontalResolution();
                if (near.quarterTurns % 2 == 1) std::swap(width, height);
            }
        }
    }
    m_order.insertBlank(before, width, height, dpi);
    edited({before});
}

void OrganizerWindow::insertFiles() {
    const QStringList paths = QFileDialog::getOpenFileNames(this, tr("插入文件"), QFileInfo(m_path).absolutePath(),
                                                            tr("TIFF、JPEG、BMP、PNG、GIF格式") + kAllPictures);
    const std::vector<int> rows = m_grid->selectedRows();
    insertFilesAt(paths, rows.empty() ? static_cast<int>(m_order.places().size()) : rows.back() + 1);
}

void OrganizerWindow::insertFilesAt(const QStringList& paths, int before) {
    std::vector<PagePlace> added;
    QStringList unreadable;
    for (const QString& path : paths) {
        TGPImage document(widenPath(bytesOf(path)), false);
        const uint32_t count = listPages(document).count;
        if (count == 0) unreadable << QFileInfo(path).fileName();
        for (uint32_t page = 0; page < count; ++page) added.push_back({bytesOf(path), page});
    }
    if (!unreadable.isEmpty())
        QMessageBox::warning(this, tr("提示"), tr("这些文件无法识别:\n%1").arg(unreadable.join("\n")));
    if (added.empty()) return;
    m_order.insert(before, added);
    std::vector<int> rows;
    for (size_t k = 0; k < added.size(); ++k) rows.push_back(before + static_cast<int>(k));
    edited(rows);
}

void OrganizerWindow::reversePages() {
    const std::vector<int> rows = m_grid->selectedRows();
    // One page selected: the whole document is reversed.
    m_order.reverse(rows.size() > 1 ? rows : std::vector<int>{});
    edited(rows);
}

void OrganizerWindow::interleavePages() {
    InterleaveDialog dialog(m_order.places(), [this](const PagePlace& place) { return tileOf(place); }, this);
    if (dialog.exec() != QDialog::Accepted || dialog.result().empty()) return;
    m_order.replace(dialog.result());
    edited({0});
}

void OrganizerWindow::undo() {
    const std::vector<int> rows = m_grid->selectedRows();
    m_order.undo();
    edited(rows);
}

void OrganizerWindow::redo() {
    const std::vector<int> rows = m_grid->selectedRows();
    m_order.redo();
    edited(rows);
}

void OrganizerWindow::selectOdd() {
    std::vector<int> rows;
    for (int row = 0; row < static_cast<int>(m_order.places().size()); row += 2) rows.push_back(row);
    m_grid->selectRows(rows);
}

void OrganizerWindow::selectEven() {
    std::vector<int> rows;
    for (int row = 1; row < static_cast<int>(m_order.places().size()); row += 2) rows.push_back(row);
    m_grid->selectRows(rows);
}

void OrganizerWindow::selectBlank() {
    // Each page is decoded to be measured; the window shows how far it is.
    const std::vector<PagePlace>& places = m_order.places();
    std::map<std::string, std::unique_ptr<TGPImage>> open;
    std::vector<int> rows;
    BarProgress progress(m_progress, m_status);
    progress.begin(static_cast<int>(places.size()), tr("正在查找空白页...").toStdString());
    for (size_t row = 0; row < places.size(); ++row) {
        const PagePlace& place = places[row];
        bool blank = place.blank();
        if (!blank) {
            std::unique_ptr<TGPImage>& document = open[place.path];
            if (!document) document = std::make_unique<TGPImage>(widenPath(place.path), false);
            const PageList listed = listPages(*document);
            blank = place.page < listed.count && document->ActivateFrame(&listed.dimension, place.page) == Ok &&
                    isBlankPage(*document);
        }
        if (blank) rows.push_back(static_cast<int>(row));
        progress.step(static_cast<int>(row));
        QApplication::processEvents();
    }
    progress.end();
    m_grid->selectRows(rows);
    m_status->setText(tr("%1个空白页").arg(rows.size()));
}

bool OrganizerWindow::write(const QString& target, bool searchable) {
    QTemporaryDir blanks;
    bool blanksWritten = blanks.isValid();
    int made = 0;
    ComposeRequest request = orderRequest(m_order.places(), bytesOf(target), [&](const PagePlace& place) {
        const std::string file = bytesOf(blanks.filePath(QString("blank_%1.tif").arg(made++)));
        blanksWritten = blanksWritten && writeBlankPage(place, file);
        return file;
    });
    if (!blanksWritten) {
        QMessageBox::warning(this, tr("提示"), tr("空白页无法写入临时文件夹。"));
        return false;
    }
    request.ocr = {searchable && request.pdf, defaultTextLanguages()};
    FailuresOnly messages(this);
    bool written = false;
    runJob(messages, [&](JobContext& context) { written = ComposeTiff(request, context).written; });
    m_status->setText(tr("%1页").arg(m_order.places().size()));
    return written;
}

void OrganizerWindow::runJob(MessageSink& messages, const std::function<void(JobContext&)>& job) {
    BarProgress progress(m_progress, m_status);
    QtEvents pump;
    m_cancel.reset();
    JobContext context{progress, messages, pump, &m_cancel};
    // The pages stay as they are while the job reads them; Escape reaches the window.
    m_busy = true;
    m_grid->setEnabled(false);
    menuBar()->setEnabled(false);
    job(context);
    m_busy = false;
    m_grid->setEnabled(true);
    menuBar()->setEnabled(true);
    m_grid->setFocus();
}

void OrganizerWindow::save() {
    if (m_busy) return;
    if (QMessageBox::question(this, tr("保存"), tr("用整理后的页面替换%1吗?").arg(QFileInfo(m_path).fileName())) !=
        QMessageBox::Yes)
        return;
    // Written whole beside the document, then put in its place: a failure or a kill leaves
    // the document as it was.
    const QFileInfo document(m_path);
    const QString part = document.absolutePath() + "/." + document.completeBaseName() + ".organized." + document.suffix();
    if (!write(part)) return;
    // The document as it was stays readable through this handle, for undoing past the save;
    // without one, the edits before the save cannot be undone.
    auto* heldOpen = new QFile(m_path, this);
    if (!heldOpen->open(QIODevice::ReadOnly)) {
        delete heldOpen;
        heldOpen = nullptr;
    }
    if (std::rename(bytesOf(part).c_str(), bytesOf(m_path).c_str()) != 0) {
        delete heldOpen;
        QFile::remove(part);
        QMessageBox::warning(this, tr("提示"), tr("文档无法替换: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
        return;
    }
    showSavedDocument(heldOpen ? "/proc/self/fd/" + std::to_string(heldOpen->handle()) : std::string());
    showPages(m_grid->selectedRows());
    emit documentSaved(m_path);
}

void OrganizerWindow::showSavedDocument(const std::string& earlier) {
    // The document now holds the pages in this order: its pages are what is shown, and the
    // edits before the save, undone, read the document as it was.
    const std::string document = bytesOf(m_path);
    std::map<std::pair<std::string, uint32_t>, QImage> tiles;
    const std::vector<PagePlace>& places = m_order.places();
    for (size_t page = 0; page < places.size(); ++page)
        if (places[page].blank() || m_tiles.count({places[page].path, places[page].page}))
            tiles[{document, static_cast<uint32_t>(page)}] = tileOf(places[page]);
    for (const auto& [key, tile] : m_tiles)
        if (key.first != document)
            tiles[key] = tile;
        else if (!earlier.empty())
            tiles[{earlier, key.second}] = tile;
    m_tiles = std::move(tiles);
    if (earlier.empty()) {
        m_order = PageOrder(document, static_cast<uint32_t>(places.size()));
        return;
    }
    m_earlierVersions[earlier] = tr("保存前的%1").arg(QFileInfo(m_path).fileName());
    m_order.documentReplaced(document, earlier);
}

void OrganizerWindow::saveAs() {
    if (m_busy) return;
    QFileDialog dialog(this, tr("另存为"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    const QString tiff = tr("TIF文件(*.tif,*.tiff)") + " (*.TIF *.tif)", pdf = tr("PDF文件(*.pdf)") + " (*.PDF *.pdf)";
    dialog.setNameFilters({tiff, pdf});
    dialog.setDefaultSuffix("TIF");
    dialog.setDirectory(QFileInfo(m_path).absolutePath());
    connect(&dialog, &QFileDialog::filterSelected, &dialog,
            [&dialog, pdf](const QString& filter) { dialog.setDefaultSuffix(filter == pdf ? "PDF" : "TIF"); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString target = dialog.selectedFiles().first();
    if (QFileInfo(target) == QFileInfo(m_path)) {
        save();
        return;
    }
    if (write(target)) m_order.markSaved();
    setWindowModified(m_order.modified());
}

void OrganizerWindow::saveSearchablePdf() {
    if (m_busy) return;
    QFileDialog dialog(this, tr("另存为可搜索PDF"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({tr("PDF文件(*.pdf)") + " (*.PDF *.pdf)"});
    dialog.setDefaultSuffix("PDF");
    dialog.setDirectory(QFileInfo(m_path).absolutePath());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    // A new file: the document itself stays a TIFF.
    const QString target = dialog.selectedFiles().first();
    if (QFileInfo(target) == QFileInfo(m_path)) return;
    if (write(target, true)) m_order.markSaved();
    setWindowModified(m_order.modified());
}

void OrganizerWindow::splitIntoDocuments() {
    if (m_busy) return;
    DocumentsDialog dialog(QFileInfo(m_path).absolutePath(), this);
    if (dialog.exec() != QDialog::Accepted) return;
    // The present order is written first, under the document's name, so that the documents
    // are named after it; then cut as the command line cuts a file.
    QTemporaryDir ordered;
    const QString whole = ordered.filePath(QFileInfo(m_path).completeBaseName() + ".tif");
    if (!ordered.isValid() || !write(whole)) return;
    WindowMessages messages(this);
    size_t written = 0;
    runJob(messages, [&](JobContext& context) {
        written = SplitIntoDocuments(dialog.request(bytesOf(whole)), context).written.size();
    });
    m_status->setText(tr("%1个文档").arg(written));
}

bool OrganizerWindow::settled() {
    if (!m_order.modified()) return true;
    QMessageBox box(QMessageBox::Question, tr("整理页面"), tr("保存对文档的修改吗?"), QMessageBox::NoButton, this);
    QPushButton* keep = box.addButton(tr("保存"), QMessageBox::AcceptRole);
    QPushButton* drop = box.addButton(tr("不保存"), QMessageBox::DestructiveRole);
    box.addButton(tr("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(keep);
    box.exec();
    if (box.clickedButton() == drop) return true;
    if (box.clickedButton() != keep) return false;
    save();
    return !m_order.modified();
}

void OrganizerWindow::closeEvent(QCloseEvent* event) {
    if (m_busy || !settled()) {
        event->ignore();
        return;
    }
    event->accept();
}

void OrganizerWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        if (m_busy) m_cancel.request();
        else close();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

}  // namespace orvelle
