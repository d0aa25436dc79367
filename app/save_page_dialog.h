// The dialog that saves the selected page under a chosen name and type, scaled by its own
// percentage.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "imaging/output_formats.h"

class QFrame;
class QGroupBox;
class QLabel;
class QSpinBox;
class QToolButton;

namespace orvelle {

class PictureBox;

class TSaveDlg : public QDialog {
    Q_OBJECT
public:
    explicit TSaveDlg(QWidget* owner);

    // A name and file type of the save-file dialog; the type counts from 1 in the order
    // JPEG, BMP, GIF, PNG, TIFF.
    struct FileChoice {
        QString name;
        int type = 1;
    };
    // Shows the save-file dialog offering `offered`; the user's choice as typed, or nothing
    // when cancelled. Tests replace it.
    std::function<std::optional<FileChoice>(const FileChoice& offered)> askForFile;
    // Writes the page: set by the window that opens the dialog.
    std::function<void(const std::string& path, ExportFormat format, int percent)> onSave;

    // Offers page `page` of `sourcePath` under its own name, as the split names it
    // ("report_3"), in the folder of the last save, else in `folder`, else in the source's.
    // The type stays the last one chosen.
    void offerPageName(const std::string& sourcePath, uint32_t page, const QString& folder);
    // Shows `tile` as the preview and the dialog modally.
    void showForPage(const QImage& tile);

    QGroupBox* GroupBox1;
    QFrame* Bevel1;
    PictureBox* Image1;
    QLabel* Label4;
    QSpinBox* SpinEdit1;
    QFrame* Bevel2;
    QToolButton* SpeedButton3;
    QToolButton* SpeedButton2;

public slots:
    void SpeedButton3Click();
    void SpeedButton2Click();

private:
    FileChoice m_offered;
};

// The save-file dialog itself.
std::optional<TSaveDlg::FileChoice> askForPageFile(QWidget* owner, const TSaveDlg::FileChoice& offered);

}  // namespace orvelle
