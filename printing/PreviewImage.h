// The page preview's picture: a copy of the result made when the window is shown, painted
// stretched to the control's own size. Only the visible part is drawn, so a placement far
// larger than the page costs no more than one that fits.
#pragma once

#include "core/Image32.h"

#include <QImage>
#include <QWidget>

class TPreviewImage : public QWidget {
    Q_OBJECT
public:
    explicit TPreviewImage(QWidget* parent = nullptr);

    void SetPicture(const brimlet::TBitmap32& picture);
    const QImage& Picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
};

// A deep copy of the picture's B, G and R bytes as a Qt image (the fourth byte is ignored).
QImage ToQImage(const brimlet::TBitmap32& picture);
