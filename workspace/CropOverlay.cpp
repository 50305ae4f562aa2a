#include "workspace/CropOverlay.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>

#include <algorithm>

TCropOverlay::TCropOverlay(QWidget* hostPanel) : QWidget(hostPanel) {
    setObjectName(QStringLiteral("CropOverlay"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
    setGeometry(hostPanel->rect());
    hostPanel->installEventFilter(this);
    raise();
    show();
}

bool TCropOverlay::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget()) {
        if (event->type() == QEvent::Resize) setGeometry(parentWidget()->rect());
        // Stay above the image when the host gains or restacks children.
        if (event->type() == QEvent::ChildAdded || event->type() == QEvent::ZOrderChange ||
            event->type() == QEvent::Resize)
            raise();
    }
    return QWidget::eventFilter(watched, event);
}

void TCropOverlay::UpdateBand() {
    if (pixels_.empty()) return;
    int left = pixels_[0].x, right = left, top = pixels_[0].y, bottom = top;
    for (const auto& p : pixels_) {
        left = std::min(left, p.x);
        right = std::max(right, p.x);
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    // The outline's four sides, each grown by a pixel; the inside is left alone.
    QRegion band;
    band += QRect(QPoint(left - 1, top - 1), QPoint(right + 1, top + 1));
    band += QRect(QPoint(left - 1, bottom - 1), QPoint(right + 1, bottom + 1));
    band += QRect(QPoint(left - 1, top - 1), QPoint(left + 1, bottom + 1));
    band += QRect(QPoint(right - 1, top - 1), QPoint(right + 1, bottom + 1));
    update(band);
}

void TCropOverlay::ShowOutline(std::vector<brimlet::TDashPixel> pixels) {
    UpdateBand();
    pixels_ = std::move(pixels);
    UpdateBand();
}

void TCropOverlay::HideOutline() {
    UpdateBand();
    pixels_.clear();
}

void TCropOverlay::paintEvent(QPaintEvent* event) {
    if (pixels_.empty()) return;
    const QRect area = event->rect();
    QPainter painter(this);
    // Collected per colour so each colour is one call.
    QList<QPoint> black, white;
    for (const auto& p : pixels_) {
        if (!area.contains(p.x, p.y)) continue;
        (p.white ? white : black).append(QPoint(p.x, p.y));
    }
    painter.setPen(Qt::black);
    painter.drawPoints(black.constData(), int(black.size()));
    painter.setPen(Qt::white);
    painter.drawPoints(white.constData(), int(white.size()));
}
