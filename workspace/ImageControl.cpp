#include "workspace/ImageControl.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

TImage::TImage(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);  // moves without a button held drive hints and pointers
    setAttribute(Qt::WA_OpaquePaintEvent);
}

TImage::~TImage() { Unlink(); }

void TImage::Unlink() {
    if (sameAs_) sameAs_->sameAs_ = nullptr;
    sameAs_ = nullptr;
}

void TImage::SetPicture(const brimlet::TBitmap32& picture) {
    Unlink();
    picture_.Assign(picture);
    scaledValid_ = false;
    update();
}

void TImage::SetPicture(brimlet::TBitmap32&& picture) {
    Unlink();
    picture_ = std::move(picture);
    scaledValid_ = false;
    update();
}

void TImage::SetPictureFrom(TImage& other) {
    SetPicture(other.picture_);
    if (&other == this) return;
    other.Unlink();
    sameAs_ = &other;
    other.sameAs_ = this;
}

void TImage::SetOverlayPainter(std::function<void(QPainter&)> painter) {
    overlay_ = std::move(painter);
    update();
}

// A view of the picture's bytes without a copy: RGB32 reads B, G, R and ignores the 4th byte.
QImage TImage::SourceView() const {
    if (picture_.Empty()) return {};
    return QImage(picture_.Bits(), picture_.Width(), picture_.Height(),
                  static_cast<qsizetype>(picture_.Stride()), QImage::Format_RGB32);
}

// The cache is made at the screen's own pixels: on a HiDPI screen (device pixel ratio 2) a
// cache at the control's logical size would be stretched again when painted and blur every
// detail finer than two screen pixels. At ratio 1 the two are the same.
QSize TImage::DeviceSize() const {
    const qreal ratio = devicePixelRatioF();
    if (ratio == 1.0) return size();
    return QSize(qRound(width() * ratio), qRound(height() * ratio));
}

void TImage::RebuildScaled() {
    scaledValid_ = true;
    const QSize device = DeviceSize();
    if (picture_.Empty() || device.width() <= 0 || device.height() <= 0) {
        scaled_ = QImage();
        return;
    }
    if (sameAs_ && sameAs_->scaledValid_ && sameAs_->scaled_.size() == device) {
        scaled_ = sameAs_->scaled_;  // the same picture at the same size: the same pixels
        return;
    }
    const QImage view = SourceView();
    if (view.size() == device)
        scaled_ = view.copy();
    else
        scaled_ = view.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void TImage::PictureChanged(const brimlet::Rect& area) {
    Unlink();
    if (!scaledValid_ || scaled_.isNull() || picture_.Empty() || scaled_.size() != DeviceSize()) {
        scaledValid_ = false;
        update();
        return;
    }
    const double sx = double(scaled_.width()) / picture_.Width();
    const double sy = double(scaled_.height()) / picture_.Height();
    // The changed area in control pixels, widened by a pixel so the smoothing at its edges
    // is redone too.
    QRect target(QPoint(int(std::floor(area.left * sx)) - 1, int(std::floor(area.top * sy)) - 1),
                 QPoint(int(std::ceil(area.right * sx)), int(std::ceil(area.bottom * sy))));
    target &= scaled_.rect();
    if (target.isEmpty()) return;
    // The picture pixels that cover those control pixels.
    QRect source(QPoint(int(std::floor(target.left() / sx)), int(std::floor(target.top() / sy))),
                 QPoint(int(std::ceil((target.right() + 1) / sx)) - 1,
                        int(std::ceil((target.bottom() + 1) / sy)) - 1));
    source &= QRect(0, 0, picture_.Width(), picture_.Height());
    if (source.isEmpty()) return;
    // Scaled straight from a view of those pixels: copying them first would double the work.
    const uchar* first = static_cast<const brimlet::TBitmap32&>(picture_).Bits() +
                         std::size_t(source.y()) * picture_.Stride() + std::size_t(source.x()) * 4;
    const QImage view(first, source.width(), source.height(), qsizetype(picture_.Stride()),
                      QImage::Format_RGB32);
    const QImage part = view.scaled(target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QPainter painter(&scaled_);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(target.topLeft(), part);
    painter.end();
    // The cache is in device pixels, the repaint area in the control's own.
    const qreal ratio = devicePixelRatioF();
    if (ratio == 1.0)
        update(target);
    else
        update(QRectF(target.x() / ratio, target.y() / ratio, target.width() / ratio,
                      target.height() / ratio)
                   .toAlignedRect());
}

void TImage::paintEvent(QPaintEvent*) {
    if (!scaledValid_ || (!scaled_.isNull() && scaled_.size() != DeviceSize())) RebuildScaled();
    QPainter painter(this);
    const qreal ratio = devicePixelRatioF();
    if (scaled_.isNull())
        painter.fillRect(rect(), Qt::white);
    else if (ratio == 1.0)
        painter.drawImage(0, 0, scaled_);
    else  // one cache pixel on one screen pixel
        painter.drawImage(QRectF(0, 0, scaled_.width() / ratio, scaled_.height() / ratio),
                          scaled_);
    if (overlay_) overlay_(painter);
}

void TImage::resizeEvent(QResizeEvent*) { scaledValid_ = false; }

void TImage::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    emit MouseDown(event->button(), event->buttons(), p.x(), p.y());
}

void TImage::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    emit MouseMove(event->buttons(), p.x(), p.y());
}

void TImage::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    emit MouseUp(event->button(), p.x(), p.y());
}

// Like the platform's double-click: the second press reports the double click and then a press.
void TImage::mouseDoubleClickEvent(QMouseEvent* event) {
    emit DblClick();
    const QPoint p = event->position().toPoint();
    emit MouseDown(event->button(), event->buttons(), p.x(), p.y());
}
