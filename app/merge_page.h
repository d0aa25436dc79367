// The merge page: the merge list with its buttons and preview, and the output options.
#pragma once

#include <QWidget>

#include "merge/merge_list.h"
#include "viewer/wheel_notches.h"

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QCheckBox;
class QRadioButton;
class QTableView;
class QToolButton;

namespace orvelle {

class MergeTableModel;
class PictureBox;

class MergePage : public QWidget, public MergeListListener {
    Q_OBJECT
public:
    explicit MergePage(QWidget* parent);

    // What the composition takes: the merge list's paths in list order, the output path
    // and whether every page of a multi-page source is wanted.
    std::vector<std::string> sourcePaths() const { return m_list.paths(); }
    std::string outputPath() const;
    void setOutputPath(const QString& path);
    bool allPages() const;
    // Whether the output keeps each page's stored data ("保持原始数据(无损)").
    bool keepsStoredData() const;
    // Whether the words of a PDF's pages are recognised and laid over them: the box is
    // ticked, and the output is a PDF.
    bool recognisesText() const;

    // The list the table shows; every change to it is shown at once, the preview follows
    // its selection.
    MergeList& list() { return m_list; }
    const MergeList& list() const { return m_list; }

    // The list's selection changed: the preview shows the selected entry's tile, or nothing.
    void ListView2SelectItem();

    QWidget* Panel4;
    QFrame* Bevel2;
    QFrame* Bevel3;
    QFrame* Bevel4;
    QLabel* Label5;
    QLabel* Label6;
    QWidget* Panel1;
    QTableView* ListView2;
    QWidget* Panel5;
    QToolButton* SpeedButton8;
    QToolButton* SpeedButton9;
    QToolButton* SpeedButton10;
    QToolButton* SpeedButton12;
    QToolButton* SpeedButton15;
    QFrame* Bevel6;
    PictureBox* Image3;
    QPlainTextEdit* Memo1;
    QGroupBox* GroupBox3;
    QLabel* Label7;
    QLineEdit* Edit3;
    QToolButton* SpeedButton13;
    QRadioButton* RadioButton1;
    QRadioButton* RadioButton2;
    QCheckBox* LosslessCheck;  // off: the composition as decoded pages
    QCheckBox* OcrCheck;  // enabled while the output is a PDF
    QFrame* Bevel7;
    QToolButton* SpeedButton14;

signals:
    // Files or folders were dropped onto the list from a file manager, in this order.
    void picturesDropped(const QStringList& paths);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void entriesChanged() override;
    void selectionChanged() override;
    // The list's own handling of its events, with the mouse wheel moving the selection as
    // the arrow keys do; true for an event it took.
    bool MergeListWindowProc(QEvent* event);
    // The table's selection, made by the user, goes to the list.
    void takeViewSelection();
    // The list's selection goes to the table.
    void showSelection();
    void fitSizeColumn();

    MergeList m_list;
    WheelNotches m_wheel;  // begins afresh whenever the selection changes
    MergeTableModel* m_table;
    bool m_showingSelection = false;
};

}  // namespace orvelle
