#include "printing/StepGlyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

namespace brimlet {

namespace {

constexpr int kSide = 17;

// A filled arrow head of the given length whose tip is at (x, y), pointing along (dx, dy).
void DrawArrowHead(QPainter& p, QPointF tip, QPointF dir, double length, double halfWidth) {
    const QPointF back = tip - dir * length;
    const QPointF side(-dir.y() * halfWidth, dir.x() * halfWidth);
    p.drawPolygon(QPolygonF{tip, back + side, back - side});
}

void DrawArrow(QPainter& p, QPointF dir) {
    const QPointF centre(kSide / 2.0, kSide / 2.0);
    const QPointF tip = centre + dir * 7.0;
    const QPointF tail = centre - dir * 6.0;
    p.setPen(QPen(Qt::black, 2.0));
    p.drawLine(tail, tip - dir * 4.0);
    p.setPen(Qt::NoPen);
    DrawArrowHead(p, tip, dir, 6.0, 4.0);
}

}  // namespace

QIcon MakeStepGlyph(StepGlyph kind) {
    QPixmap pixmap(kSide, kSide);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::black);
    switch (kind) {
    case StepGlyph::Up: DrawArrow(p, {0, -1}); break;
    case StepGlyph::Down: DrawArrow(p, {0, 1}); break;
    case StepGlyph::Left: DrawArrow(p, {-1, 0}); break;
    case StepGlyph::Right: DrawArrow(p, {1, 0}); break;
    case StepGlyph::Centre: {
        // Four small heads pointing at the middle.
        p.setPen(Qt::NoPen);
        const QPointF c(kSide / 2.0, kSide / 2.0);
        for (QPointF dir : {QPointF(0, 1), QPointF(0, -1), QPointF(1, 0), QPointF(-1, 0)})
            DrawArrowHead(p, c - dir * 2.0, dir, 5.0, 3.5);
        break;
    }
    case StepGlyph::Plus:
        p.fillRect(QRectF(3, 7.5, 11, 2), Qt::black);
        p.fillRect(QRectF(7.5, 3, 2, 11), Qt::black);
        break;
    case StepGlyph::Minus: p.fillRect(QRectF(3, 7.5, 11, 2), Qt::black); break;
    }
    p.end();
    return QIcon(pixmap);
}

}  // namespace brimlet
