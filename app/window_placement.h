// Where a window goes on its screen.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace orvelle {

// The top left of a window frame of `frame` centred in the screen's `available` area; a frame
// larger than the area keeps its top left (the title bar) inside it.
QPoint centredTopLeft(const QRect& available, const QSize& frame);

// Centres a shown window, frame included, in its screen's available area.
void centreOnScreen(QWidget& window);

}  // namespace orvelle
