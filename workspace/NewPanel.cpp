#include "workspace/NewPanel.h"

#include <QPainter>
#include <QPaintEvent>

TNewPanel::TNewPanel(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
}

void TNewPanel::SetOverlayPainter(std::function<void(QPainter&)> painter) {
    overlay_ = std::move(painter);
    update();
}

void TNewPanel::paintEvent(QPaintEvent* event) {
    if (!overlay_) return;
    QPainter painter(this);
    painter.setClipRegion(event->region());
    overlay_(painter);
}
