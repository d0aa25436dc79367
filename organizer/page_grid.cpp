#include "page_grid.h"

#include <QDropEvent>
#include <QMimeData>
#include <QPainter>
#include <QUrl>

namespace orvelle {

PageGrid::PageGrid(QWidget* parent) : QListWidget(parent) {
    setViewMode(QListView::IconMode);
    setIconSize(QSize(120, 120));
    setGridSize(QSize(140, 160));
    setResizeMode(QListView::Adjust);
    // Static: pages are moved by the organizer, not placed where they are let go.
    setMovement(QListView::Static);
    setWrapping(true);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
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
    // The list's own handling would move the items itself: the organizer moves the pages.
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    } else if (event->source() == this) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
        markDrop(-1);
        return;
    }
    markDrop(dropPlace(event->position().toPoint()));
}

void PageGrid::dragLeaveEvent(QDragLeaveEvent* event) {
    markDrop(-1);
    QListWidget::dragLeaveEvent(event);
}

void PageGrid::markDrop(int before) {
    if (before == m_dropBefore) return;
    m_dropBefore = before;
    viewport()->update();
}

void PageGrid::paintEvent(QPaintEvent* event) {
    QListWidget::paintEvent(event);
    if (m_dropBefore < 0 || count() == 0) return;
    // A bar before the tile the pages would go before, or after the last one.
    const bool after = m_dropBefore >= count();
    const QRect tile = visualRect(indexFromItem(item(after ? count() - 1 : m_dropBefore)));
    const int x = after ? tile.right() + 4 : tile.left() - 4;
    QPainter painter(viewport());
    painter.fillRect(QRect(x - 2, tile.top(), 4, tile.height()), QColor(0, 84, 166));
}

void PageGrid::dropEvent(QDropEvent* event) {
    const int before = dropPlace(event->position().toPoint());
    markDrop(-1);
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
