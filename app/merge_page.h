// The merge page: the merge list with its buttons and preview, and the output options.
#pragma once

#include <QWidget>

#include "merge/merge_list.h"

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;
class QTableWidget;
class QToolButton;

namespace orvelle {

class PictureBox;

class MergePage : public QWidget {
    Q_OBJECT
public:
    explicit MergePage(QWidget* parent);

    // What the composition takes: the merge list's paths in list order, the output path
    // and whether every page of a multi-page source is wanted.
    std::vector<std::string> sourcePaths() const { return m_list.paths(); }
    std::string outputPath() const;
    void setOutputPath(const QString& path);
    bool allPages() const;

    // Appends an entry to the merge list and shows it.
    void addEntry(const MergeEntry& entry);
    void clearList();
    const MergeList& list() const { return m_list; }

    QWidget* Panel4;
    QFrame* Bevel2;
    QFrame* Bevel3;
    QFrame* Bevel4;
    QLabel* Label5;
    QLabel* Label6;
    QWidget* Panel1;
    QTableWidget* ListView2;
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
    QFrame* Bevel7;
    QToolButton* SpeedButton14;

private:
    // Makes the table show the list.
    void showList();

    MergeList m_list;
};

}  // namespace orvelle
