#include "workspace/Cursors.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <map>

namespace brimlet {

namespace {

std::map<int, QCursor>& cursorTable() {
    static std::map<int, QCursor> table;
    return table;
}

// A clear 32 x 32 picture in logical pixels, ratio times as many device pixels: the shapes
// below are drawn in logical coordinates and come out sharp at either resolution.
QPixmap blank(int ratio) {
    QPixmap pm(32 * ratio, 32 * ratio);
    pm.setDevicePixelRatio(ratio);
    pm.fill(Qt::transparent);
    return pm;
}

// An eyedropper lying from the top right to the bottom left; its tip is pixel (1, 30).
QPixmap eyedropper(int ratio) {
    QPixmap pm = blank(ratio);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1.5));
    // Glass tube.
    p.setBrush(Qt::white);
    QPainterPath tube;
    tube.moveTo(1.5, 30.5);
    tube.lineTo(4, 24);
    tube.lineTo(17, 11);
    tube.lineTo(21, 15);
    tube.lineTo(8, 28);
    tube.closeSubpath();
    p.drawPath(tube);
    // Rubber bulb.
    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(24, 8), 5.5, 5.5);
    p.drawLine(QPointF(15, 9), QPointF(23, 17));
    return pm;
}

// A four-way move arrow with its hot spot at the top-left pixel (0, 0): a small pointer arrow
// in the corner and the move cross beside it.
QPixmap moveArrow(int ratio) {
    QPixmap pm = blank(ratio);
    QPainter p(&pm);
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(Qt::black);
    const QPoint pointer[] = {{0, 0}, {0, 13}, {3, 10}, {6, 16}, {8, 15}, {5, 9}, {9, 9}};
    p.drawPolygon(pointer, 7);
    const int c = 20;  // centre of the cross
    p.setBrush(Qt::black);
    p.drawRect(c - 1, c - 9, 2, 18);
    p.drawRect(c - 9, c - 1, 18, 2);
    const QPoint up[] = {{c, c - 12}, {c - 4, c - 8}, {c + 4, c - 8}};
    const QPoint down[] = {{c, c + 12}, {c - 4, c + 8}, {c + 4, c + 8}};
    const QPoint left[] = {{c - 12, c}, {c - 8, c - 4}, {c - 8, c + 4}};
    const QPoint right[] = {{c + 12, c}, {c + 8, c - 4}, {c + 8, c + 4}};
    p.drawPolygon(up, 3);
    p.drawPolygon(down, 3);
    p.drawPolygon(left, 3);
    p.drawPolygon(right, 3);
    return pm;
}

// A circle of about 20 pixels across centred on (15, 15) with a small eraser inside.
QPixmap brushCircle(int ratio) {
    QPixmap pm = blank(ratio);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 3));
    p.drawEllipse(QPointF(15.5, 15.5), 10, 10);
    p.setPen(QPen(Qt::black, 1));
    p.drawEllipse(QPointF(15.5, 15.5), 10, 10);
    // Eraser block, tilted.
    p.translate(15.5, 15.5);
    p.rotate(-35);
    p.setBrush(QColor(255, 170, 190));
    p.drawRect(QRectF(-6, -3, 8, 6));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(2, -3, 4, 6));
    return pm;
}

}  // namespace

QPoint CursorHotSpot(int slot) {
    switch (slot) {
        case crEyedrop: return {1, 30};
        case crYuan: return {15, 15};
        default: return {0, 0};
    }
}

int CursorArtworkRatio(qreal devicePixelRatio) { return devicePixelRatio > 1.0 ? 2 : 1; }

QPixmap CursorArtwork(int slot, int ratio) {
    switch (slot) {
        case crEyedrop: return eyedropper(ratio);
        case crFullSize: return moveArrow(ratio);
        case crYuan: return brushCircle(ratio);
        default: return {};
    }
}

void LoadCursorSlot(int slot) {
    const QPixmap art = CursorArtwork(slot, CursorArtworkRatio(qGuiApp ? qGuiApp->devicePixelRatio() : 1.0));
    if (art.isNull()) return;
    // The hot spot is given in logical pixels, so it is the same point at either ratio.
    const QPoint hot = CursorHotSpot(slot);
    cursorTable()[slot] = QCursor(art, hot.x(), hot.y());
}

QCursor SlotCursor(int slot) {
    const auto it = cursorTable().find(slot);
    return it == cursorTable().end() ? QCursor(Qt::ArrowCursor) : it->second;
}

}  // namespace brimlet
