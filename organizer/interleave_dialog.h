// Putting a duplex scan together: where the backs are (the second half of the document, or
// another document), whether they were scanned last sheet first, and the first pages of the
// result as tiles before it is applied.
#pragma once

#include <QDialog>
#include <functional>
#include <vector>

#include "merge/page_order.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace orvelle {

class InterleaveDialog : public QDialog {
    Q_OBJECT
public:
    using TileOf = std::function<QImage(const PagePlace&)>;
    InterleaveDialog(const std::vector<PagePlace>& places, TileOf tileOf, QWidget* parent);
    // The order the dialog's choices make; empty when they make none.
    const std::vector<PagePlace>& result() const { return m_result; }

private:
    void chooseBacks();
    void update();

    std::vector<PagePlace> m_places;
    std::vector<PagePlace> m_otherBacks;  // the backs' document's pages, when chosen
    std::vector<PagePlace> m_result;
    TileOf m_tileOf;
    QRadioButton* m_secondHalf;
    QRadioButton* m_other;
    QPushButton* m_choose;
    QCheckBox* m_reversed;
    QLabel* m_said;
    QListWidget* m_preview;
    QPushButton* m_apply;
};

}  // namespace orvelle
