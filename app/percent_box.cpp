#include "percent_box.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

#include "look.h"
#include "split/page_export.h"

namespace orvelle {

QLabel* percentLabel(QWidget* parent, const char* objectName, const QRect& geometry) {
    const char* const source = QT_TRANSLATE_NOOP("Orvelle", "图片大小为原图的              % ");
    const QString text = QCoreApplication::translate("Orvelle", source);
    QLabel* label = look::label(parent, objectName, text, geometry);
    // The run of spaces leaves room for the spin box only with half-width spaces, as the
    // Song face has them; the monospaced CJK face keeps that where no Song face is installed.
    QFont spaced = look::songFont(14);
    spaced.setFamilies({"宋体", "SimSun", "Noto Sans Mono CJK SC", "Noto Serif CJK SC"});
    if (text == QString::fromUtf8(source)) {
        label->setFont(spaced);
        return label;
    }
    // A translated caption is drawn in the face of every other label, its spaces counted
    // again so that "%" still lands where the Chinese puts it, past the spin box.
    const QString chinese = QString::fromUtf8(source);
    const int percentAt = QFontMetrics(spaced).horizontalAdvance(chinese.left(chinese.indexOf('%')));
    const QFontMetrics metrics(label->font());
    QString caption = text.left(text.indexOf('%')).trimmed() + ' ';
    while (metrics.horizontalAdvance(caption) < percentAt) caption += ' ';
    label->setText(caption + "% ");
    return label;
}

QSpinBox* percentBox(QWidget* parent, const char* objectName, const QRect& geometry) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(objectName);
    box->setRange(kMinPercent, kMaxPercent);
    box->setSingleStep(10);
    box->setValue(100);
    box->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    box->setGeometry(geometry);
    if (auto* text = box->findChild<QLineEdit*>()) text->setMaxLength(4);
    return box;
}

int committedPercent(QSpinBox* box) {
    const int percent = percentFromText(box->cleanText().toStdString(), box->value());
    box->setValue(percent);
    return percent;
}

}  // namespace orvelle
