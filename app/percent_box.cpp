#include "percent_box.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

#include "look.h"
#include "split/page_export.h"

namespace orvelle {

QLabel* percentLabel(QWidget* parent, const char* objectName, const QRect& geometry) {
    QLabel* label = look::label(
        parent, objectName,
        QCoreApplication::translate("Orvelle", "图片大小为原图的              % "), geometry);
    // The run of spaces leaves room for the spin box only with half-width spaces, as the
    // Song face has them; the monospaced CJK face keeps that where no Song face is installed.
    QFont spaced = look::songFont(14);
    spaced.setFamilies({"宋体", "SimSun", "Noto Sans Mono CJK SC", "Noto Serif CJK SC"});
    label->setFont(spaced);
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
