#include "save_page_dialog.h"
#include "path_text.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QSpinBox>
#include <QToolButton>

#include "look.h"
#include "percent_box.h"
#include "split/file_names.h"
#include "viewer/picture_box.h"
#include "window_placement.h"

namespace orvelle {

TSaveDlg::TSaveDlg(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName("SaveDlg");
    setWindowTitle(tr("本页图片另存为 "));
    setFixedSize(394, 154);
    setFont(look::songFont(14));
    look::paintBackground(this, look::kSkyBlue);
    using look::PictureSide;
    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName("GroupBox1");
    GroupBox1->setGeometry(rect());
    Bevel1 = look::bevel(GroupBox1, "Bevel1", QRect(16, 16, 125, 125));
    Image1 = new PictureBox(GroupBox1);
    Image1->setObjectName("Image1");
    Image1->setGeometry(18, 18, 120, 120);
    Label4 = percentLabel(GroupBox1, "Label4", QRect(152, 30, 224, 14));
    SpinEdit1 = percentBox(GroupBox1, "SpinEdit1", QRect(271, 24, 81, 23));
    Bevel2 = new QFrame(GroupBox1);
    Bevel2->setObjectName("Bevel2");
    Bevel2->setFrameShape(QFrame::HLine);
    Bevel2->setFrameShadow(QFrame::Sunken);
    Bevel2->setGeometry(152, 88, 233, 2);
    SpeedButton3 =
        look::speedButton(GroupBox1, "SpeedButton3", tr("保存"), ":/images/button_save.png",
                          PictureSide::Left, QRect(208, 100, 81, 33));
    SpeedButton2 =
        look::speedButton(GroupBox1, "SpeedButton2", tr("取消"), ":/images/button_cancel.png",
                          PictureSide::Left, QRect(296, 100, 81, 33));
    connect(SpeedButton3, &QToolButton::clicked, this, &TSaveDlg::SpeedButton3Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &TSaveDlg::SpeedButton2Click);
    askForFile = [this](const FileChoice& offered) { return askForPageFile(this, offered); };
}

void TSaveDlg::offerPageName(const std::string& sourcePath, uint32_t page, const QString& folder) {
    // A name of its own for each page: with no question before a file is replaced, the last
    // name offered again would put this page over the one saved before.
    QString where = m_offered.name.isEmpty() ? folder : QFileInfo(m_offered.name).absolutePath();
    if (where.isEmpty()) where = QFileInfo(pathText(sourcePath)).absolutePath();
    m_offered.name =
        pathText(pageOutputName(pathBytes(where), sourcePath, page, ""));
}

void TSaveDlg::showForPage(const QImage& tile) {
    Image1->setPicture(tile);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(centredTopLeft(screen->availableGeometry(), frameGeometry().size()));
    exec();
}

void TSaveDlg::SpeedButton3Click() {
    // Whether confirmed or cancelled, the dialog closes afterwards.
    struct CloseAfter {
        TSaveDlg* dialog;
        ~CloseAfter() { dialog->reject(); }
    } closeAfter{this};
    const std::optional<FileChoice> chosen = askForFile(m_offered);
    const std::optional<ExportFormat> format = chosen ? exportFormatOfFilter(chosen->type) : std::nullopt;
    if (!format) return;
    const std::string path =
        withDefaultExtension(pathBytes(chosen->name), formatRow(*format).Extension);
    m_offered = {pathText(path), chosen->type};
    if (onSave) onSave(path, *format, committedPercent(SpinEdit1));
}

void TSaveDlg::SpeedButton2Click() { reject(); }

std::optional<TSaveDlg::FileChoice> askForPageFile(QWidget* owner, const TSaveDlg::FileChoice& offered) {
    // "JPEG格式|*.JPG|BMP格式|*.BMP|GIF格式|*.GIF|PNG格式|*.PNG|TIFF格式|*.TIF", then PDF, each in
    // both letter cases since this file system tells them apart.
    QStringList filters;
    for (const OutputFormat& row : OutputFormatTable) {
        const QString mask = row.FilterMask;
        filters.append(QString("%1 (%2 %3)").arg(look::formatLabel(row), mask, mask.toLower()));
    }
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const int offeredType = offered.type >= 1 && offered.type <= filters.size() ? offered.type : 1;
    dialog.selectNameFilter(filters[offeredType - 1]);
    if (!offered.name.isEmpty()) dialog.selectFile(offered.name);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return TSaveDlg::FileChoice{dialog.selectedFiles().first(),
                                static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1};
}

}  // namespace orvelle
