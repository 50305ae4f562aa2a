// The image control: holds a picture at full resolution and paints it stretched to the
// control's size from a cached scaled copy, so repaints during resizes and divider drags
// do not rescale a large picture each time. The copy has the screen's device pixels, so it
// stays sharp on HiDPI screens. Shows the B, G and R bytes only.
#pragma once

#include "core/Image32.h"

#include <QImage>
#include <QWidget>

#include <functional>

class QPainter;

class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget* parent = nullptr);
    ~TImage() override;

    const brimlet::TBitmap32& Picture() const { return picture_; }
    void SetPicture(const brimlet::TBitmap32& picture);
    void SetPicture(brimlet::TBitmap32&& picture);
    // A copy of other's picture. Until either picture changes the two controls share one
    // scaled copy when their sizes agree, so a picture opened into both panes is scaled once.
    void SetPictureFrom(TImage& other);

    // For in-place edits: change pixels through MutablePicture(), then report the changed
    // area (picture coordinates, right and bottom exclusive) so only that part is rescaled.
    brimlet::TBitmap32& MutablePicture() {
        Unlink();
        return picture_;
    }
    void PictureChanged(const brimlet::Rect& area);

    // Painted over the picture at the end of each paint, in control coordinates.
    void SetOverlayPainter(std::function<void(QPainter&)> painter);

signals:
    void MouseDown(Qt::MouseButton button, Qt::MouseButtons buttons, int x, int y);
    void MouseMove(Qt::MouseButtons buttons, int x, int y);
    void MouseUp(Qt::MouseButton button, int x, int y);
    void DblClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QImage SourceView() const;
    QSize DeviceSize() const;
    void RebuildScaled();
    void Unlink();

    brimlet::TBitmap32 picture_;
    QImage scaled_;
    bool scaledValid_ = false;
    TImage* sameAs_ = nullptr;  // a control holding the same picture, while it does
    std::function<void(QPainter&)> overlay_;
};
