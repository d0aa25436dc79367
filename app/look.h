// The window's fixed look: colours, the "宋体" face, and flat buttons with pictures.
#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

class QToolButton;
class QWidget;
class QFrame;
class QLabel;

namespace orvelle {
struct OutputFormat;
}

namespace orvelle::look {

// Makes the program's pictures available under ":/images/"; call before the first use.
void loadPictures();

extern const QColor kSkyBlue;  // (166, 202, 240), the window's background
extern const QColor kCream;    // (255, 251, 240), the help text's background

// "宋体" at 14 px, falling back to a Song-style CJK face present on the machine.
QFont songFont(int pixelSize = 14);

enum class PictureSide { Left, Above };

// A flat button (its border shows only under the pointer) with a picture and a caption.
QToolButton* speedButton(QWidget* parent, const char* objectName, const QString& caption,
                         const QString& picture, PictureSide side, const QRect& geometry);

// A framed box drawn lowered, which lets the pointer through to what lies beneath.
QFrame* bevel(QWidget* parent, const char* objectName, const QRect& geometry);

// A list's frame turns dark blue while it has the focus, also when it has no rows to mark.
void markFocus(QWidget* list);

QLabel* label(QWidget* parent, const char* objectName, const QString& text, const QRect& geometry);

// An output format's name in the user's language ("JPEG格式").
QString formatLabel(const OutputFormat& format);

// Fills a widget's background with one colour.
void paintBackground(QWidget* widget, const QColor& colour);

// Captions drawn in letters with descenders need more height than their boxes were given for
// Chinese: each label, radio button and check box under `root` whose text would be clipped
// grows up and down alike, so that its text stays where it was drawn and shows whole.
void roomForCaptions(QWidget* root);

}  // namespace orvelle::look
