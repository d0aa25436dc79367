#include "look.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QRadioButton>
#include <QToolButton>

#include "imaging/output_formats.h"

// The pictures are compiled into this static library; Qt needs to be told so once.
static void initPictures() { Q_INIT_RESOURCE(orvelle); }

namespace orvelle::look {

void loadPictures() {
    static const bool loaded = (initPictures(), true);
    (void)loaded;
}

const QColor kSkyBlue(166, 202, 240);
const QColor kCream(255, 251, 240);

QFont songFont(int pixelSize) {
    QFont font;
    font.setFamilies({"宋体", "SimSun", "Noto Serif CJK SC", "Noto Sans CJK SC", "serif"});
    font.setPixelSize(pixelSize);
    return font;
}

QToolButton* speedButton(QWidget* parent, const char* objectName, const QString& caption,
                         const QString& picture, PictureSide side, const QRect& geometry) {
    auto* button = new QToolButton(parent);
    button->setObjectName(objectName);
    button->setText(caption);
    button->setAutoRaise(true);
    // Reached by Tab, as every control is; a click leaves the focus where it was.
    button->setFocusPolicy(Qt::TabFocus);
    // The style's own focus mark on a flat button is a faint dotted line: a frame in the
    // window's dark blue shows where Tab has gone.
    button->setStyleSheet("QToolButton:focus { border: 2px solid rgb(0, 84, 166); border-radius: 2px; }");
    if (!picture.isEmpty()) {
        button->setIcon(QIcon(picture));
        const int size = side == PictureSide::Above ? 32 : 16;
        button->setIconSize(QSize(size, size));
    }
    button->setToolButtonStyle(picture.isEmpty() ? Qt::ToolButtonTextOnly
                               : side == PictureSide::Above ? Qt::ToolButtonTextUnderIcon
                                                            : Qt::ToolButtonTextBesideIcon);
    button->setGeometry(geometry);
    return button;
}

QFrame* bevel(QWidget* parent, const char* objectName, const QRect& geometry) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(objectName);
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Sunken);
    frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    frame->setGeometry(geometry);
    return frame;
}

void markFocus(QWidget* list) {
    list->setStyleSheet(QString("%1:focus { border: 1px solid rgb(0, 84, 166); }")
                            .arg(list->metaObject()->className()));
}

QLabel* label(QWidget* parent, const char* objectName, const QString& text, const QRect& geometry) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(objectName);
    l->setGeometry(geometry);
    return l;
}

namespace {
// The back end's format names, for the translation tools.
[[maybe_unused]] const char* const kFormatLabels[] = {
    QT_TRANSLATE_NOOP("Orvelle", "JPEG格式"), QT_TRANSLATE_NOOP("Orvelle", "BMP格式"),
    QT_TRANSLATE_NOOP("Orvelle", "GIF格式"),  QT_TRANSLATE_NOOP("Orvelle", "PNG格式"),
    QT_TRANSLATE_NOOP("Orvelle", "TIFF格式"), QT_TRANSLATE_NOOP("Orvelle", "PDF格式")};
}  // namespace

QString formatLabel(const OutputFormat& format) {
    return QCoreApplication::translate("Orvelle", format.Label);
}

void paintBackground(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void roomForCaptions(QWidget* root) {
    QList<QWidget*> captions;
    for (QLabel* label : root->findChildren<QLabel*>())
        if (!label->text().isEmpty() && label->pixmap().isNull()) captions.append(label);
    for (QAbstractButton* button : root->findChildren<QAbstractButton*>())
        if (qobject_cast<QRadioButton*>(button) || qobject_cast<QCheckBox*>(button)) captions.append(button);
    for (QWidget* caption : captions) {
        const int missing = caption->sizeHint().height() - caption->height();
        if (missing <= 0) continue;
        const int above = (missing + 1) / 2;
        caption->setGeometry(caption->x(), caption->y() - above, caption->width(), caption->height() + 2 * above);
    }
}

}  // namespace orvelle::look
