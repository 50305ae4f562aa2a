// The full-size viewer: a copy of the result picture at one picture pixel per screen pixel
// in a scrollable window; dragging the picture with the left button scrolls it so the
// grabbed point stays under the pointer.
//
// Sizes called "window" below are outside sizes, frame and caption included.
#pragma once

#include "core/Image32.h"

#include <QImage>
#include <QScrollArea>
#include <QSize>
#include <QWidget>

#include <optional>

class TViewForm;

// The viewer's only control: its picture at 1:1, sized to the picture. Paints just the
// exposed part straight from the picture's bytes, so a large picture costs no conversion.
class TViewImage : public QWidget {
public:
    explicit TViewImage(TViewForm* form, QWidget* parent);
    const brimlet::TBitmap32& Picture() const { return picture_; }
    void SetPicture(const brimlet::TBitmap32& picture);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    TViewForm* form_;
    brimlet::TBitmap32 picture_;
    QImage view_;  // wraps picture_'s bytes
};

class TViewForm : public QWidget {
    Q_OBJECT
public:
    explicit TViewForm(QWidget* parent = nullptr);
    ~TViewForm() override;

    // Hide, copy the picture in, show (placing and sizing the window), then put the picture
    // at the top-left or centre it.
    void OpenOn(const brimlet::TBitmap32& picture);

    // Tests pretend a screen of this size; otherwise the window's screen is asked.
    void OverrideScreenSize(std::optional<QSize> size) { screenOverride_ = size; }
    QSize ScreenSize() const;

    // Outside size of the window, and setting it.
    QSize WindowSize() const;
    void SetWindowSize(int width, int height);

    // Window events.
    void FormShow();
    void FormResize();

    // Drag-to-scroll, in Image1 coordinates.
    void Image1MouseDown(Qt::MouseButton button, Qt::MouseButtons buttons, int x, int y);
    void Image1MouseMove(Qt::MouseButtons buttons, int x, int y);
    void Image1MouseUp(Qt::MouseButton button, int x, int y);

    QScrollArea* ScrollBox;  // the window's scrollable client area
    QWidget* Content;        // what scrolls: as large as Image1's extent
    TViewImage* Image1;

    bool Dragging = false;
    int DragStartX = 0, DragStartY = 0;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Image1 at (left, top); the scroll range follows its extent.
    void PlaceImage(int left, int top);

    std::optional<QSize> screenOverride_;
    bool inFormShow_ = false;
};

// The program's one viewer (set by the first TViewForm made).
extern TViewForm* ViewForm;
