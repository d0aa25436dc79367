#include "merge_page.h"
#include "path_text.h"

#include <algorithm>

#include <QGroupBox>
#include <QFontMetrics>
#include <QHeaderView>
#include <QWheelEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QCheckBox>
#include <QRadioButton>
#include <QTableView>
#include <QToolButton>

#include "file_drops.h"
#include "look.h"
#include "merge/compose.h"
#include "merge/merge_preview.h"
#include "merge_table_model.h"
#include "page_geometry.h"
#include "viewer/picture_box.h"
#include "split_page.h"

namespace orvelle {

MergePage::MergePage(QWidget* parent) : QWidget(parent) {
    setObjectName("TabSheet2");
    using look::PictureSide;
    Panel4 = new QWidget(this);
    Panel4->setObjectName("Panel4");
    Panel4->setGeometry(0, 0, kPageWidth, 25);
    look::paintBackground(Panel4, look::kSkyBlue);
    Bevel2 = look::bevel(Panel4, "Bevel2", QRect(0, 1, 351, 20));
    Bevel3 = look::bevel(Panel4, "Bevel3", QRect(352, 1, 97, 20));
    Bevel4 = look::bevel(Panel4, "Bevel4", QRect(449, 1, 23, 20));
    Label5 = look::label(Panel4, "Label5", tr("图片文件名"), QRect(16, 5, 70, 14));
    Label6 = look::label(Panel4, "Label6", tr("图片尺寸"), QRect(384, 5, 56, 14));

    GroupBox3 = new QGroupBox(this);
    GroupBox3->setObjectName("GroupBox3");
    GroupBox3->setGeometry(0, kPageHeight - 113, kPageWidth, 113);

    Panel1 = new QWidget(this);
    Panel1->setObjectName("Panel1");
    Panel1->setGeometry(0, 25, kPageWidth, kPageHeight - 25 - 113);
    look::paintBackground(Panel1, look::kSkyBlue);
    const int listHeight = Panel1->height();

    Panel5 = new QWidget(Panel1);
    Panel5->setObjectName("Panel5");
    Panel5->setGeometry(kPageWidth - 137, 0, 137, listHeight);
    look::paintBackground(Panel5, look::kSkyBlue);

    m_table = new MergeTableModel(m_list, this);
    ListView2 = new QTableView(Panel1);
    ListView2->setObjectName("ListView2");
    ListView2->setModel(m_table);
    ListView2->setGeometry(0, 0, kPageWidth - 137, listHeight);
    ListView2->horizontalHeader()->hide();
    ListView2->verticalHeader()->hide();
    ListView2->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ListView2->verticalHeader()->setMinimumSectionSize(1);
    ListView2->verticalHeader()->setDefaultSectionSize(23);
    ListView2->setColumnWidth(0, 350);
    ListView2->setColumnWidth(1, 98);
    ListView2->setShowGrid(true);
    ListView2->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView2->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView2->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the list for the buttons beside it; the arrows move within it.
    ListView2->setTabKeyNavigation(false);
    ListView2->setWordWrap(false);
    ListView2->setTextElideMode(Qt::ElideMiddle);
    // The selection stays highlighted while another control has the focus.
    QPalette palette = ListView2->palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    ListView2->setPalette(palette);
    ListView2->setAcceptDrops(true);
    ListView2->viewport()->setAcceptDrops(true);
    ListView2->viewport()->installEventFilter(this);
    look::markFocus(ListView2);
    connect(ListView2->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MergePage::takeViewSelection);
    m_list.setListener(this);

    SpeedButton8 =
        look::speedButton(Panel5, "SpeedButton8", tr("添 加 图 片"), ":/images/button_add.png",
                          PictureSide::Left, QRect(8, 1, 121, 22));
    SpeedButton9 =
        look::speedButton(Panel5, "SpeedButton9", tr("移 出 图 片"), ":/images/button_remove.png",
                          PictureSide::Left, QRect(8, 33, 121, 22));
    SpeedButton10 =
        look::speedButton(Panel5, "SpeedButton10", tr("位 置 上 移"), ":/images/button_up.png",
                          PictureSide::Left, QRect(8, 65, 121, 22));
    SpeedButton12 =
        look::speedButton(Panel5, "SpeedButton12", tr("位 置 下 移"), ":/images/button_down.png",
                          PictureSide::Left, QRect(8, 97, 121, 22));
    SpeedButton15 =
        look::speedButton(Panel5, "SpeedButton15", tr("清 空 列 表"), ":/images/button_clear.png",
                          PictureSide::Left, QRect(8, 129, 121, 22));
    Image3 = new PictureBox(Panel5);
    Image3->setObjectName("Image3");
    Image3->setGeometry(8, 170, 120, 120);
    Bevel6 = look::bevel(Panel5, "Bevel6", QRect(6, 168, 125, 125));

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setGeometry(16, 72, 329, 89);
    Memo1->hide();

    Label7 = look::label(GroupBox3, "Label7", tr("文件保存的名字 "), QRect(16, 28, 105, 14));
    Edit3 = pathField(GroupBox3, "Edit3", QRect(120, 25, 305, 20));
    // The field shows the choice; typing in it does nothing, so it says how one chooses.
    Edit3->setToolTip(tr("用[文件]按钮选择合成后的文件"));
    SpeedButton13 =
        look::speedButton(GroupBox3, "SpeedButton13", tr("文件"), ":/images/button_file.png",
                          PictureSide::Left, QRect(432, 23, 65, 24));
    RadioButton1 = new QRadioButton(tr("对多页的GIF（TIFF）仅取第1幅图片"), GroupBox3);
    RadioButton1->setObjectName("RadioButton1");
    RadioButton1->setGeometry(16, 56, 297, 17);
    RadioButton1->setChecked(true);
    RadioButton2 = new QRadioButton(tr("对多页的GIF（TIFF）取全部页面"), GroupBox3);
    RadioButton2->setObjectName("RadioButton2");
    RadioButton2->setGeometry(16, 80, 273, 17);
    // Beside the second choice, in the room left before the button.
    LosslessCheck = new QCheckBox(tr("保持原始数据(无损)"), GroupBox3);
    LosslessCheck->setObjectName("LosslessCheck");
    LosslessCheck->setGeometry(300, 80, 200, 17);
    // Beside the first choice, over the empty end of its row: a searchable PDF, which only a
    // PDF can be.
    OcrCheck = new QCheckBox(tr("生成可搜索PDF(文字识别)"), GroupBox3);
    OcrCheck->setObjectName("OcrCheck");
    OcrCheck->setGeometry(300, 56, 200, 17);
    OcrCheck->setEnabled(false);
    Bevel7 = look::bevel(GroupBox3, "Bevel7", QRect(504, 24, 2, 81));
    SpeedButton14 =
        look::speedButton(GroupBox3, "SpeedButton14", tr("合成图片"), ":/images/run_merge.png",
                          PictureSide::Above, QRect(520, 24, 81, 81));
}

std::string MergePage::outputPath() const { return pathBytes(Edit3->text()); }

void MergePage::setOutputPath(const QString& path) {
    Edit3->setText(path);
    OcrCheck->setEnabled(isPdfPath(outputPath()));
}

bool MergePage::allPages() const { return RadioButton2->isChecked(); }

bool MergePage::keepsStoredData() const { return LosslessCheck->isChecked(); }

bool MergePage::recognisesText() const { return OcrCheck->isEnabled() && OcrCheck->isChecked(); }

void MergePage::entriesChanged() {
    m_table->refresh();
    fitSizeColumn();
    showSelection();
}

void MergePage::fitSizeColumn() {
    // The size column keeps its width until a size with its page count needs more ("1275×1650
    // (3页)"); it then takes what it needs from the path column, whose names are elided in
    // their middle, rather than cut the size. The heading above moves with the columns.
    constexpr int kPathWidth = 350, kSizeWidth = 98, kNarrowestPath = 120;
    const QFontMetrics metrics(ListView2->font());
    int needed = kSizeWidth;
    for (int row = 0; row < m_table->rowCount(); ++row)
        needed = std::max(needed, metrics.horizontalAdvance(m_table->index(row, 1).data().toString()) + 12);
    const int size = std::min(needed, kPathWidth + kSizeWidth - kNarrowestPath);
    const int path = kPathWidth + kSizeWidth - size;
    ListView2->setColumnWidth(0, path);
    ListView2->setColumnWidth(1, size);
    Bevel2->setGeometry(0, 1, path + 1, 20);
    Bevel3->setGeometry(path + 2, 1, size - 1, 20);
    Label6->move(path + 34, Label6->y());
}

void MergePage::selectionChanged() {
    m_wheel.reset();
    showSelection();
    ListView2SelectItem();
}

void MergePage::ListView2SelectItem() {
    if (m_list.selected() == MergeList::kNoSelection)
        Image3->emptyPicture();
    else
        PreviewMergeItem(m_list.entries()[m_list.selected()].path, *Image3);
}

void MergePage::showSelection() {
    m_showingSelection = true;
    const int row = m_list.selected();
    if (row == MergeList::kNoSelection) {
        ListView2->selectionModel()->clear();
    } else {
        ListView2->selectionModel()->setCurrentIndex(
            m_table->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    m_showingSelection = false;
}

void MergePage::takeViewSelection() {
    if (m_showingSelection) return;
    const QModelIndexList rows = ListView2->selectionModel()->selectedRows();
    m_list.select(rows.isEmpty() ? MergeList::kNoSelection : rows.first().row());
}

bool MergePage::eventFilter(QObject* watched, QEvent* event) {
    if (watched != ListView2->viewport()) return false;
    return MergeListWindowProc(event);
}

bool MergePage::MergeListWindowProc(QEvent* event) {
    if (event->type() == QEvent::Wheel) {
        // Without a selection the wheel does nothing, not even scroll.
        if (m_list.selected() != MergeList::kNoSelection)
            m_list.stepSelection(m_wheel.add(static_cast<QWheelEvent*>(event)->angleDelta().y()));
        return true;
    }
    QStringList dropped;
    if (!takeFileDrop(event, dropped)) return false;
    if (!dropped.isEmpty()) emit picturesDropped(dropped);
    return true;
}

}  // namespace orvelle
