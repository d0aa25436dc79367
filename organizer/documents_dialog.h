// Cutting the pages into documents: every N pages, or a new document after each blank page;
// TIFF or PDF; the folder they go to.
#pragma once

#include <QDialog>

#include "split/documents.h"

class QComboBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace orvelle {

class DocumentsDialog : public QDialog {
    Q_OBJECT
public:
    DocumentsDialog(const QString& folder, QWidget* parent);
    // The choices as a request for `source` (its pages cut as asked).
    DocumentsRequest request(const std::string& source) const;
    QString folder() const;

private:
    QRadioButton* m_every;
    QRadioButton* m_blank;
    QSpinBox* m_pages;
    QComboBox* m_format;
    QLineEdit* m_folder;
};

}  // namespace orvelle
