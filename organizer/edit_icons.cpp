#include "edit_icons.h"

#include <cmath>

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace orvelle {
namespace {

constexpr int kSide = 32;

// A sheet of paper, as the page tiles are drawn: white, framed.
void sheet(QPainter& p, QRectF at) {
    p.setPen(QPen(QColor(90, 90, 90), 1.5));
    p.setBrush(Qt::white);
    p.drawRect(at);
}

// An arc arrow around the centre, clockwise or not, over `degrees`.
void turnArrow(QPainter& p, bool clockwise, int degrees) {
    const QRectF circle(6, 6, 20, 20);
    p.setPen(QPen(QColor(0, 84, 166), 3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    const int start = 90 * 16, span = (clockwise ? -degrees : degrees) * 16;
    p.drawArc(circle, start, span);
    // The head at the arc's end.
    const double end = (90.0 + (clockwise ? -degrees : degrees)) * 3.14159265 / 180.0;
    const QPointF tip(16 + 10 * std::cos(end), 16 - 10 * std::sin(end));
    const double along = end + (clockwise ? -1.5708 : 1.5708);
    const QPointF dir(std::cos(along), -std::sin(along));
    const QPointF side(-dir.y(), dir.x());
    QPainterPath head;
    head.moveTo(tip + dir * 6);
    head.lineTo(tip + side * 5);
    head.lineTo(tip - side * 5);
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 84, 166));
    p.drawPath(head);
}

void arrow(QPainter& p, bool right) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 84, 166));
    QPainterPath path;
    const double x0 = right ? 6 : 26, x1 = right ? 26 : 6, mid = (x0 + x1) / 2;
    path.moveTo(x0, 13);
    path.lineTo(mid, 13);
    path.lineTo(mid, 7);
    path.lineTo(x1, 16);
    path.lineTo(mid, 25);
    path.lineTo(mid, 19);
    path.lineTo(x0, 19);
    path.closeSubpath();
    p.drawPath(path);
}

}  // namespace

QIcon editIcon(EditIcon which) {
    QPixmap picture(kSide, kSide);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    switch (which) {
        case EditIcon::TurnLeft: sheet(p, {10, 9, 12, 15}); turnArrow(p, false, 270); break;
        case EditIcon::TurnRight: sheet(p, {10, 9, 12, 15}); turnArrow(p, true, 270); break;
        case EditIcon::TurnHalf: sheet(p, {10, 9, 12, 15}); turnArrow(p, true, 180); break;
        case EditIcon::Delete:
            sheet(p, {8, 4, 16, 22});
            p.setPen(QPen(QColor(200, 30, 30), 4, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(8, 10), QPointF(26, 28));
            p.drawLine(QPointF(26, 10), QPointF(8, 28));
            break;
        case EditIcon::MoveLeft: arrow(p, false); break;
        case EditIcon::MoveRight: arrow(p, true); break;
        case EditIcon::Blank: sheet(p, {8, 3, 17, 24}); break;
        case EditIcon::Insert:
            sheet(p, {4, 3, 15, 21});
            sheet(p, {14, 9, 15, 21});
            p.setPen(QPen(QColor(0, 140, 60), 3.5));
            p.drawLine(QPointF(21, 13), QPointF(21, 25));
            p.drawLine(QPointF(15, 19), QPointF(27, 19));
            break;
        case EditIcon::Reverse:
            arrow(p, true);
            p.translate(0, 9);
            p.scale(1, 0.6);
            p.setOpacity(0.7);
            arrow(p, false);
            break;
        case EditIcon::Interleave:
            // Two stacks of sheets, shuffled into one.
            sheet(p, {3, 4, 11, 15});
            sheet(p, {18, 4, 11, 15});
            p.setPen(QPen(QColor(0, 84, 166), 2.5));
            p.drawLine(QPointF(8, 21), QPointF(16, 28));
            p.drawLine(QPointF(24, 21), QPointF(16, 28));
            break;
        case EditIcon::Undo: turnArrow(p, false, 200); break;
        case EditIcon::Redo: turnArrow(p, true, 200); break;
        case EditIcon::Save:
            p.setPen(QPen(QColor(60, 60, 60), 1.5));
            p.setBrush(QColor(0, 84, 166));
            p.drawRoundedRect(QRectF(5, 5, 22, 22), 2, 2);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(10, 5, 12, 8));
            p.drawRect(QRectF(9, 17, 14, 10));
            break;
    }
    return QIcon(picture);
}

}  // namespace orvelle
