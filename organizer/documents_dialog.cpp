#include "documents_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

namespace orvelle {

DocumentsDialog::DocumentsDialog(const QString& folder, QWidget* parent) : QDialog(parent) {
    setObjectName("DocumentsDialog");
    setWindowTitle(tr("分成多个文档"));
    auto* form = new QFormLayout(this);
    m_every = new QRadioButton(tr("每几页一个文档(&N)"), this);
    m_pages = new QSpinBox(this);
    m_pages->setRange(1, 100000);
    m_pages->setValue(2);
    auto* everyRow = new QHBoxLayout;
    everyRow->addWidget(m_every);
    everyRow->addWidget(m_pages);
    form->addRow(everyRow);
    m_blank = new QRadioButton(tr("每个空白页后另起一个文档, 空白页不保留(&B)"), this);
    form->addRow(m_blank);
    m_every->setChecked(true);
    m_format = new QComboBox(this);
    m_format->addItems({tr("TIFF格式"), tr("PDF格式")});
    form->addRow(tr("保存格式"), m_format);
    m_folder = new QLineEdit(folder, this);
    auto* choose = new QPushButton(tr("目录"), this);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(m_folder);
    folderRow->addWidget(choose);
    form->addRow(tr("文件保存至"), folderRow);
    connect(choose, &QPushButton::clicked, this, [this] {
        const QString chosen = QFileDialog::getExistingDirectory(this, tr("文件保存至"), m_folder->text());
        if (!chosen.isEmpty()) m_folder->setText(chosen);
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("分成多个文档"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("取消"));
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString DocumentsDialog::folder() const { return m_folder->text(); }

DocumentsRequest DocumentsDialog::request(const std::string& source) const {
    DocumentsRequest request{source, QFile::encodeName(m_folder->text()).toStdString()};
    request.cut = m_blank->isChecked() ? DocumentsRequest::Cut::AtBlankPages : DocumentsRequest::Cut::EveryN;
    request.every = static_cast<uint32_t>(m_pages->value());
    request.pdf = m_format->currentIndex() == 1;
    request.lossless = true;
    return request;
}

}  // namespace orvelle
