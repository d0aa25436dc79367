#include "interleave_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "imaging/gdipobj.h"
#include "imaging/text_path.h"

namespace orvelle {
namespace {

constexpr int kPreviewPages = 8;

}  // namespace

InterleaveDialog::InterleaveDialog(const std::vector<PagePlace>& places, TileOf tileOf, QWidget* parent)
    : QDialog(parent), m_places(places), m_tileOf(std::move(tileOf)) {
    setObjectName("InterleaveDialog");
    setWindowTitle(tr("合并双面扫描"));
    auto* layout = new QVBoxLayout(this);
    m_secondHalf = new QRadioButton(tr("本文档的后一半是背面(&H)"), this);
    m_other = new QRadioButton(tr("背面在另一个文件中(&O)"), this);
    m_choose = new QPushButton(tr("选择背面文件..."), this);
    m_reversed = new QCheckBox(tr("背面为倒序(从最后一张扫起)(&R)"), this);
    m_said = new QLabel(this);
    m_preview = new QListWidget(this);
    m_preview->setViewMode(QListView::IconMode);
    m_preview->setIconSize(QSize(80, 80));
    m_preview->setFlow(QListView::LeftToRight);
    m_preview->setWrapping(false);
    m_preview->setFixedHeight(130);
    m_preview->setFocusPolicy(Qt::NoFocus);
    m_preview->setSelectionMode(QAbstractItemView::NoSelection);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_apply = buttons->button(QDialogButtonBox::Ok);
    m_apply->setText(tr("合并"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("取消"));
    layout->addWidget(m_secondHalf);
    layout->addWidget(m_other);
    layout->addWidget(m_choose);
    layout->addWidget(m_reversed);
    layout->addWidget(new QLabel(tr("合并后的前几页:"), this));
    layout->addWidget(m_preview);
    layout->addWidget(m_said);
    layout->addWidget(buttons);
    m_secondHalf->setChecked(true);
    m_reversed->setChecked(true);
    connect(m_secondHalf, &QRadioButton::toggled, this, &InterleaveDialog::update);
    connect(m_reversed, &QCheckBox::toggled, this, &InterleaveDialog::update);
    connect(m_choose, &QPushButton::clicked, this, &InterleaveDialog::chooseBacks);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(760, 360);
    update();
}

void InterleaveDialog::chooseBacks() {
    const QString path = QFileDialog::getOpenFileName(this, tr("选择背面文件"), QString(),
                                                      tr("TIF文件(*.tif,*.tiff)") + " (*.tif *.tiff *.TIF *.TIFF *.pdf *.PDF)");
    if (path.isEmpty()) return;
    const std::string bytes = QFile::encodeName(path).toStdString();
    TGPImage document(widenPath(bytes), false);
    const uint32_t count = listPages(document).count;
    m_otherBacks.clear();
    for (uint32_t page = 0; page < count; ++page) m_otherBacks.push_back({bytes, page});
    m_choose->setText(tr("背面: %1 (%2页)").arg(QFileInfo(path).fileName()).arg(count));
    m_other->setChecked(true);
    update();
}

void InterleaveDialog::update() {
    std::vector<PagePlace> all = m_places;
    size_t fronts = m_places.size() / 2;
    if (m_other->isChecked()) {
        all.insert(all.end(), m_otherBacks.begin(), m_otherBacks.end());
        fronts = m_places.size();
    }
    const size_t backs = all.size() - fronts;
    m_result.clear();
    m_preview->clear();
    const bool even = fronts == backs && fronts > 0 && (!m_other->isChecked() || !m_otherBacks.empty());
    if (m_other->isChecked() && m_otherBacks.empty())
        m_said->setText(tr("请选择背面文件。"));
    else if (!even)
        // Interleaved anyway, every page after the shorter stack would face the wrong one.
        m_said->setText(tr("正面%1页, 背面%2页: 页数不同, 不能合并。").arg(fronts).arg(backs));
    else
        m_said->setText(tr("正面%1页, 背面%2页。").arg(fronts).arg(backs));
    if (even) {
        m_result = PageOrder::interleaved(all, fronts, m_reversed->isChecked());
        for (size_t k = 0; k < m_result.size() && k < kPreviewPages; ++k)
            m_preview->addItem(new QListWidgetItem(QIcon(QPixmap::fromImage(m_tileOf(m_result[k]))), QString::number(k + 1)));
    }
    m_apply->setEnabled(even);
}

}  // namespace orvelle
