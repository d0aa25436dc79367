#include "status_bar.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace orvelle {

StatusBar::StatusBar(QWidget* parent) : QWidget(parent) {}

QRect StatusBar::panelRect(int panel) const {
    int left = 0;
    for (int i = 0; i < panel; ++i) left += m_widths.at(i) + 2;
    return QRect(left, 2, m_widths.at(panel), height() - 2);
}

void StatusBar::setPanelWidth(int panel, int width) {
    if (m_widths.at(panel) == width) return;
    m_widths.at(panel) = width;
    update();
}

void StatusBar::setPanelText(int panel, const QString& text) {
    m_texts.at(panel) = text;
    update(panelRect(panel));
}

void StatusBar::setPanelHint(int panel, const QString& hint) {
    m_hints.at(panel) = hint;
    update(panelRect(panel));
}

void StatusBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    for (int panel = 0; panel < kPanels; ++panel) {
        const QRect box = panelRect(panel);
        QStyleOptionFrame frame;
        frame.initFrom(this);
        frame.rect = box;
        frame.lineWidth = 1;
        frame.state |= QStyle::State_Sunken;
        style()->drawPrimitive(QStyle::PE_Frame, &frame, &painter, this);
        if (panel == 0) {
            if (onDrawPanel) onDrawPanel(this, 0, box);
            continue;
        }
        const QRect inside = box.adjusted(4, 0, -4, 0);
        if (!m_hints.at(panel).isEmpty()) {
            painter.setPen(
                QColor(32, 64, 112));  // quieter than the text, still plain on the sky blue
            painter.drawText(inside, Qt::AlignVCenter | Qt::AlignRight, m_hints.at(panel));
        }
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(inside, Qt::AlignVCenter | (panel == 1 ? Qt::AlignLeft : Qt::AlignHCenter),
                         m_texts.at(panel));
    }
}

}  // namespace orvelle
