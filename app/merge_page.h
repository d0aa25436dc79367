// The merge page: the merge list with its buttons and preview, and the output options.
#pragma once

#include <QWidget>

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

    // The merge list's source paths, in list order.
    std::vector<std::string> SourcePaths() const;

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
};

}  // namespace orvelle
