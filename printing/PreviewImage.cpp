#include "printing/PreviewImage.h"

#include <QPaintEvent>
#include <QPainter>

QImage ToQImage(const brimlet::TBitmap32& picture) {
    if (picture.Empty()) return {};
    const QImage view(picture.Bits(), picture.Width(), picture.Height(),
                      static_cast<qsizetype>(picture.Stride()), QImage::Format_RGB32);
    return view.copy();
}

TPreviewImage::TPreviewImage(QWidget* parent) : QWidget(parent) {}

void TPreviewImage::SetPicture(const brimlet::TBitmap32& picture) {
    picture_ = ToQImage(picture);
    update();
}

void TPreviewImage::paintEvent(QPaintEvent* event) {
    if (picture_.isNull() || width() <= 0 || height() <= 0) return;
    QPainter painter(this);
    painter.setClipRegion(event->region());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(rect()), picture_);
}
