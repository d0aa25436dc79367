#include "page_grid.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace orvelle {

PageGrid::PageGrid(QWidget* parent) : QListWidget(parent) {
    setViewMode(QListView::IconMode);
    setIconSize(QSize(120, 120));
    setGridSize(QSize(140, 160));
    setResizeMode(QListView::Adjust);
    setMovement(QListView::Snap);
    setWrapping(true);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    setDropIndicatorShown(true);
    setAcceptDrops(true);
}

std::vector<int> PageGrid::selectedRows() const {
    std::vector<int> rows;
    for (int row = 0; row < count(); ++row)
        if (item(row)->isSelected()) rows.push_back(row);
    return rows;
}

void PageGrid::selectRows(const std::vector<int>& rows) {
    clearSelection();
    for (const int row : rows)
        if (row >= 0 && row < count()) item(row)->setSelected(true);
    if (!rows.empty() && rows.front() >= 0 && rows.front() < count())
        setCurrentItem(item(rows.front()), QItemSelectionModel::NoUpdate);
}

int PageGrid::dropPlace(const QPoint& point) const {
    const QModelIndex at = indexAt(point);
    if (!at.isValid()) return count();
    // The right half of a tile puts the pages after it.
    return at.row() + (point.x() > visualRect(at).center().x() ? 1 : 0);
}

void PageGrid::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
        return;
    }
    QListWidget::dragEnterEvent(event);
}

void PageGrid::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
        return;
    }
    QListWidget::dragMoveEvent(event);  // draws the drop marker
}

void PageGrid::dropEvent(QDropEvent* event) {
    const int before = dropPlace(event->position().toPoint());
    if (event->mimeData()->hasUrls()) {
        QStringList paths;
        for (const QUrl& url : event->mimeData()->urls())
            if (url.isLocalFile()) paths << url.toLocalFile();
        event->acceptProposedAction();
        if (!paths.isEmpty()) emit filesDropped(paths, before);
        return;
    }
    // The organizer moves the pages and shows the grid again: the list does not move them itself.
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
    emit moveRequested(selectedRows(), before);
}

}  // namespace orvelle
