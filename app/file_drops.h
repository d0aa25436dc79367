// Files dragged from a file manager onto a list: the drag of any links is accepted, and a
// drop gives the local files among them, in the order given.
#pragma once

#include <QStringList>

class QEvent;

namespace orvelle {

// True when `event` was a drag or a drop of links and was taken; for a drop, `dropped`
// receives the local paths (a drop without any is left to others).
bool takeFileDrop(QEvent* event, QStringList& dropped);

}  // namespace orvelle
