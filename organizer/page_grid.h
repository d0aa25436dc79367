// The organizer's pages as a grid of tiles that fills its window and reflows with it. Pages
// dragged within it are moved by the organizer (a marker shows where they go), files
// dropped from a file manager are inserted where they fall.
#pragma once

#include <QListWidget>
#include <QStringList>
#include <vector>

namespace orvelle {

class PageGrid : public QListWidget {
    Q_OBJECT
public:
    explicit PageGrid(QWidget* parent);
    // The selected pages' places, in order.
    std::vector<int> selectedRows() const;
    void selectRows(const std::vector<int>& rows);

signals:
    void moveRequested(const std::vector<int>& rows, int before);
    void filesDropped(const QStringList& paths, int before);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Where dragged pages would go, shown as a bar between tiles; -1 while nothing is dragged.
    void markDrop(int before);
    int m_dropBefore = -1;

    // The place a drop at `point` puts pages before.
    int dropPlace(const QPoint& point) const;
};

}  // namespace orvelle
