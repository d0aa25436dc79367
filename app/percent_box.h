// The percentage line of the split page and the save-page dialog: the sentence
// "图片大小为原图的 … %" with a spin box standing in its run of blanks.
#pragma once

#include <QRect>

class QLabel;
class QSpinBox;
class QWidget;

namespace orvelle {

QLabel* percentLabel(QWidget* parent, const char* objectName, const QRect& geometry);

// Whole numbers 1 to 1000 in steps of 10, 100 at first, at most four characters.
QSpinBox* percentBox(QWidget* parent, const char* objectName, const QRect& geometry);

// The percentage as the box shows it, typed text included even when not yet committed,
// clamped to 1..1000 and committed to the box.
int committedPercent(QSpinBox* box);

}  // namespace orvelle
