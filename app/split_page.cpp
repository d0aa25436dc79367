#include "split_page.h"
#include "path_text.h"

#include <QComboBox>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPixmap>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QToolButton>

#include "file_drops.h"
#include "imaging/output_formats.h"
#include "look.h"
#include "page_geometry.h"
#include "percent_box.h"
#include "viewer/picture_box.h"
#include "split/page_export.h"

namespace orvelle {

QLineEdit* pathField(QWidget* parent, const char* objectName, const QRect& geometry) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(objectName);
    field->setReadOnly(true);
    field->setFrame(true);
    field->setStyleSheet(
        "QLineEdit { color: red; border: 1px solid #7a7a7a; background: white; }"
        "QLineEdit:focus { border-color: rgb(0, 84, 166); }");
    field->setGeometry(geometry);
    return field;
}

SplitPage::SplitPage(QWidget* parent) : QWidget(parent) {
    setObjectName("TabSheet1");
    using look::PictureSide;
    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName("GroupBox1");
    GroupBox1->setGeometry(0, 0, kPageWidth, 57);
    Label1 = look::label(GroupBox1, "Label1", tr("选择要分解的TIFF图片 "), QRect(16, 24, 147, 14));
    Edit1 = pathField(GroupBox1, "Edit1", QRect(168, 20, 361, 20));
    // The fields show the choices; typing in them does nothing, so they say how one chooses.
    Edit1->setToolTip(tr("用[打开]按钮选择TIFF文件"));
    SpeedButton4 =
        look::speedButton(GroupBox1, "SpeedButton4", tr("打开"), ":/images/button_open.png",
                          PictureSide::Left, QRect(536, 20, 65, 24));

    GroupBox2 = new QGroupBox(this);
    GroupBox2->setObjectName("GroupBox2");
    GroupBox2->setGeometry(0, kPageHeight - 82, kPageWidth, 82);

    ListView1 = new QListWidget(this);
    ListView1->setObjectName("ListView1");
    ListView1->setViewMode(QListView::IconMode);
    ListView1->setIconSize(QSize(120, 120));
    ListView1->setResizeMode(QListView::Adjust);
    ListView1->setMovement(QListView::Static);
    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
    ListView1->setGeometry(0, 57, kPageWidth, kPageHeight - 57 - 82);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setAcceptDrops(true);
    ListView1->viewport()->setAcceptDrops(true);
    ListView1->viewport()->installEventFilter(this);
    look::markFocus(ListView1);

    Label2 = look::label(GroupBox2, "Label2", tr("文件保存至"), QRect(16, 24, 70, 14));
    Edit2 = pathField(GroupBox2, "Edit2", QRect(96, 20, 329, 20));
    Edit2->setToolTip(tr("用[目录]按钮选择保存的目录"));
    SpeedButton7 =
        look::speedButton(GroupBox2, "SpeedButton7", tr("目录"), ":/images/button_folder.png",
                          PictureSide::Left, QRect(432, 18, 65, 24));
    Label3 = look::label(GroupBox2, "Label3", tr("保存格式"), QRect(32, 54, 56, 14));
    FlatComboBox1 = new QComboBox(GroupBox2);
    FlatComboBox1->setObjectName("FlatComboBox1");
    for (int i = 0; i < kOutputFormatCount; ++i)
        FlatComboBox1->addItem(look::formatLabel(OutputFormatTable[i]));
    FlatComboBox1->setCurrentIndex(0);
    FlatComboBox1->setGeometry(96, 48, 105, 22);
    FlatComboBox1->setStyleSheet(
        "QComboBox { border: 1px solid black; background: white; padding-left: 2px; }"
        "QComboBox:focus { border: 2px solid rgb(0, 84, 166); padding-left: 1px; }"
        "QComboBox::drop-down { background: rgb(166, 202, 240); width: 16px; }"
        "QComboBox QAbstractItemView { background: white; color: black;"
        " selection-background-color: rgb(0, 84, 166); selection-color: white; }");
    // Drawn as menu items, the rows took the box's white for their highlight too.
    FlatComboBox1->setItemDelegate(new QStyledItemDelegate(FlatComboBox1));
    Label4 = percentLabel(GroupBox2, "Label4", QRect(224, 54, 224, 14));
    SpinEdit1 = percentBox(GroupBox2, "SpinEdit1", QRect(344, 48, 81, 20));
    Bevel1 = look::bevel(GroupBox2, "Bevel1", QRect(512, 12, 3, 64));
    SpeedButton6 =
        look::speedButton(GroupBox2, "SpeedButton6", tr("分解图片"), ":/images/run_split.png",
                          PictureSide::Above, QRect(528, 12, 73, 65));

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    N1 = PopupMenu1->addAction(tr("本页另存为"));
    N1->setObjectName("N1");
    LosslessSaveAction = PopupMenu1->addAction(tr("无损另存为TIFF"));
    LosslessSaveAction->setObjectName("LosslessSaveAction");
    PopupMenu1->addSeparator();
    N2 = PopupMenu1->addAction(tr("观看大图片"));
    N2->setObjectName("N2");
    OrganizeAction = PopupMenu1->addAction(tr("整理页面..."));
    OrganizeAction->setObjectName("OrganizeAction");
    OrganizeAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    // The page with the focus frame is the page the keys act on: moving it, or Tab entering
    // the list, selects it, so that the menu's entries have a page to work on.
    connect(ListView1, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && !ListView1->item(row)->isSelected()) ListView1->setCurrentRow(row);
    });
    // The menu key asks where the current page is drawn, so the menu opens on it.
    connect(ListView1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        PopupMenu1->popup(ListView1->viewport()->mapToGlobal(at));
    });

    RecentMenu = new QMenu(this);
    RecentMenu->setObjectName("RecentMenu");
    SpeedButton4->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(SpeedButton4, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (!RecentMenu->isEmpty()) RecentMenu->popup(SpeedButton4->mapToGlobal(at));
    });

    Image2 = new PictureBox(this);
    Image2->setObjectName("Image2");
    Image2->setGeometry(120, 128, 120, 120);
    Image2->hide();
}

void SplitPage::addPage(const std::string& caption) {
    ImageList1.append(Image2->picture());
    auto* entry = new QListWidgetItem(QIcon(QPixmap::fromImage(ImageList1.back())),
                                      QString::fromStdString(caption));
    ListView1->addItem(entry);
}

void SplitPage::setRecentTiffs(const QStringList& paths) {
    RecentMenu->clear();
    for (const QString& path : paths) {
        // "&" would otherwise be taken for a mnemonic.
        QAction* entry = RecentMenu->addAction(QString(path).replace("&", "&&"));
        connect(entry, &QAction::triggered, this, [this, path] { emit recentTiffChosen(path); });
    }
    SpeedButton4->setToolTip(paths.isEmpty() ? QString() : tr("右键单击: 最近打开的文件"));
}

void SplitPage::clearPages() {
    ImageList1.clear();
    ListView1->clear();
}

int SplitPage::selectedPage() const {
    const QList<QListWidgetItem*> selected = ListView1->selectedItems();
    return selected.isEmpty() ? -1 : ListView1->row(selected.first());
}

// The list takes a file dropped from a file manager as if it had been chosen in the dialog.
bool SplitPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched != ListView1->viewport()) return false;
    QStringList dropped;
    if (!takeFileDrop(event, dropped)) return false;
    if (!dropped.isEmpty()) emit tiffDropped(dropped.first());
    return true;
}

std::string SplitPage::sourcePath() const { return pathBytes(Edit1->text()); }

QString SplitPage::sourceText() const { return Edit1->text(); }

void SplitPage::setSourcePath(const QString& path) { Edit1->setText(path); }

TileTarget& SplitPage::tileTarget() { return *Image2; }

std::optional<QImage> SplitPage::pageTile(int page) const {
    if (page < 0 || page >= ImageList1.size()) return std::nullopt;
    return ImageList1[page];
}

std::string SplitPage::outputFolder() const { return pathBytes(Edit2->text()); }

void SplitPage::setOutputFolder(const QString& folder) { Edit2->setText(folder); }

ExportFormat SplitPage::format() const {
    return exportFormatOfBox(FlatComboBox1->currentIndex()).value_or(ExportFormat::Jpeg);
}

int SplitPage::percent() { return committedPercent(SpinEdit1); }

}  // namespace orvelle
