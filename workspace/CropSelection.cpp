#include "workspace/CropSelection.h"

#include "workspace/CropOverlay.h"
#include "workspace/ImageControl.h"
#include "workspace/Layout.h"
#include "workspace/MainForm_s.h"
#include "workspace/WorkspaceHistory.h"

#include "cartoon/panel/Standard_s.h"

#include <QCursor>
#include <QShortcut>
#include <QTimer>

#include <algorithm>

TCropSelection::TCropSelection(TMainForm* form) : QObject(form), form_(form) {
    setObjectName(QStringLiteral("CropSelection"));
    Overlay = new TCropOverlay(form->SourceHostPanel);
    TImage* image = form->Image1;
    image->setMouseTracking(true);
    image->setCursor(Qt::CrossCursor);
    image->setToolTip(QString::fromLatin1(kDrawHint));
    connect(image, &TImage::MouseMove, this, &TCropSelection::Image1MouseMove);
    connect(image, &TImage::MouseDown, this, &TCropSelection::Image1MouseDown);
    connect(image, &TImage::MouseUp, this, &TCropSelection::Image1MouseUp);
    connect(image, &TImage::DblClick, this, &TCropSelection::Image1DblClick);
    connect(form->Timer1, &QTimer::timeout, this, &TCropSelection::Timer1Timer);
    escape_ = new QShortcut(QKeySequence(Qt::Key_Escape), form);
    escape_->setObjectName(QStringLiteral("CropEscapeShortcut"));
    escape_->setContext(Qt::WindowShortcut);
    escape_->setEnabled(false);
    connect(escape_, &QShortcut::activated, this, &TCropSelection::CancelDrag);
}

void TCropSelection::Image1MouseMove(Qt::MouseButtons buttons, int x, int y) {
    TImage* image = form_->Image1;
    if (!(buttons & (Qt::LeftButton | Qt::RightButton))) {
        // Hovering: the pointer and hint say what a press would do here.
        if (brimlet::StrictlyInside(CutRect, x + image->x(), y + image->y())) {
            image->setCursor(Qt::SizeAllCursor);
            image->setToolTip(QString::fromLatin1(kCutHint));
            InsideCutRect = true;
            CanStartRect = false;
        } else {
            image->setCursor(Qt::CrossCursor);
            image->setToolTip(QString::fromLatin1(kDrawHint));
            InsideCutRect = false;
            CanStartRect = true;
        }
    }
    if ((buttons & Qt::LeftButton) && CanStartRect) {
        if (clipImage_ == image) {
            // Hold the pointer inside the image, right and bottom exclusive.
            const int cx = std::clamp(x, 0, std::max(0, image->width() - 1));
            const int cy = std::clamp(y, 0, std::max(0, image->height() - 1));
            if (cx != x || cy != y) QCursor::setPos(image->mapToGlobal(QPoint(cx, cy)));
            x = cx;
            y = cy;
        }
        RemoveTheRect1();
        CutRect.X2 = x + image->x();
        CutRect.Y2 = y + image->y();
        DrawTheRect1();
    }
}

void TCropSelection::Image1MouseDown(Qt::MouseButton, Qt::MouseButtons buttons, int x, int y) {
    if (!(buttons & Qt::LeftButton) || !CanStartRect) return;
    TImage* image = form_->Image1;
    cutBeforePress_ = CutRect;
    outlineBeforePress_ = form_->Timer1->isActive();
    dragging_ = true;
    escape_->setEnabled(true);
    RemoveTheRect1();
    CutRect.X1 = CutRect.X2 = x + image->x();
    CutRect.Y1 = CutRect.Y2 = y + image->y();
    ClipCursorToImage(image);
}

void TCropSelection::Image1MouseUp(Qt::MouseButton button, int, int) {
    if (button != Qt::LeftButton || !CanStartRect) return;
    dragging_ = false;
    escape_->setEnabled(false);
    ReleaseCursorClip();
    form_->Timer1->start();
}

void TCropSelection::CancelDrag() {
    if (!dragging_) return;
    dragging_ = false;
    escape_->setEnabled(false);
    ReleaseCursorClip();
    RemoveTheRect1();
    CutRect = cutBeforePress_;
    // Until the next hover, the moves and the release of the cancelled drag do nothing.
    CanStartRect = false;
    if (outlineBeforePress_) DrawTheRect1();
}

void TCropSelection::Timer1Timer() {
    DashPhase = brimlet::NextDashPhase(DashPhase);
    DrawTheRect1();
}

void TCropSelection::DrawTheRect1() {
    DashMask = DashPhase;
    std::vector<brimlet::TDashPixel> pixels = brimlet::DashOutline(CutRect, DashPhase);
    // The running bit as the walk leaves it: one step per pixel from the phase.
    for (std::size_t i = 0; i < pixels.size(); ++i) DashMask = brimlet::NextDashMask(DashMask);
    Overlay->raise();
    Overlay->ShowOutline(std::move(pixels));
}

void TCropSelection::RemoveTheRect1() {
    Overlay->HideOutline();
}

void TCropSelection::ClipCursorToImage(TImage* image) {
    clipImage_ = image;
    image->grabMouse();
}

void TCropSelection::ReleaseCursorClip() {
    if (clipImage_ && QWidget::mouseGrabber() == clipImage_) clipImage_->releaseMouse();
    clipImage_ = nullptr;
}

void TCropSelection::Image1DblClick() {
    if (!InsideCutRect) return;
    // The cut is made before anything changes: a rectangle left far outside a shrunken
    // image can ask for a picture too large to hold, and the error then leaves the
    // selection as it was.
    TImage* image = form_->Image1;
    const brimlet::TBitmap32& source = image->Picture();
    brimlet::TCutBounds bounds;
    if (!brimlet::CutBoundsFor(CutRect, image->x(), image->y(), source.Width(), image->width(),
                               bounds))
        return;
    brimlet::TBitmap32 cut = brimlet::CutPicture(source, bounds);

    TWorkspaceHistory::Scope step(form_->History, "Cut", TWorkspaceHistory::kAllPictures,
                                  TWorkspaceHistory::Result::kChanged);
    RemoveTheRect1();
    form_->Timer1->stop();
    form_->ColourLayer.Assign(cut);
    form_->LineLayer.Assign(cut);
    form_->PaletteBuffer.Assign(cut);
    form_->Image2->SetPicture(cut);
    form_->Image1->SetPicture(std::move(cut));
    form_->Display(form_->Image1, form_->SourceHostPanel);
    form_->Display(form_->Image2, form_->ImgPanel2);
    form_->DisplayScale =
        brimlet::DisplayScaleFor(form_->Image2->Picture().Width(), form_->Image2->width());

    CutRect = {};
    InsideCutRect = false;
    image->setToolTip(QString::fromLatin1(kDrawHint));
    // With "Dyeing && Sketch" checked the rule would show the cut with itself drawn over it.
    form_->ResultShownByRule = !(Standard && Standard->CheckBox1->isChecked());
}
