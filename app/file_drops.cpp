#include "file_drops.h"
#include "path_text.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace orvelle {

bool takeFileDrop(QEvent* event, QStringList& dropped) {
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (!drag->mimeData()->hasUrls()) return false;
        drag->acceptProposedAction();
        return true;
    }
    if (event->type() != QEvent::Drop) return false;
    auto* drop = static_cast<QDropEvent*>(event);
    QStringList paths;
    for (const QUrl& url : drop->mimeData()->urls())
        if (url.isLocalFile()) paths.append(pathText(localPathBytes(url)));
    if (paths.isEmpty()) return false;
    drop->acceptProposedAction();
    dropped = paths;
    return true;
}

}  // namespace orvelle
