#include "workspace/ViewForm_s.h"

#include "workspace/Accessibility.h"
#include "workspace/EscapeKey.h"

#include <QFont>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

TViewForm* ViewForm = nullptr;

namespace {

const QColor kSkyBlue(166, 202, 240);

void FillWith(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

}  // namespace

TViewImage::TViewImage(TViewForm* form, QWidget* parent) : QWidget(parent), form_(form) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::SizeAllCursor);
}

void TViewImage::SetPicture(const brimlet::TBitmap32& picture) {
    picture_.Assign(picture);
    // RGB32 shows B, G and R and ignores the fourth byte, so the bytes are shown as they are.
    view_ = picture_.Empty() ? QImage()
                             : QImage(picture_.Bits(), picture_.Width(), picture_.Height(),
                                      qsizetype(picture_.Stride()), QImage::Format_RGB32);
    resize(picture_.Width(), picture_.Height());
    update();
}

void TViewImage::paintEvent(QPaintEvent* event) {
    if (view_.isNull()) return;
    QPainter painter(this);
    // One picture pixel per logical pixel, never smoothed: on a HiDPI screen each picture
    // pixel is a sharp block of device pixels, painted straight from the picture's bytes
    // (a cache at device pixels would hold four times the picture for the same result).
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const QRect exposed = event->rect() & view_.rect();
    painter.drawImage(exposed.topLeft(), view_, exposed);
}

void TViewImage::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    form_->Image1MouseDown(event->button(), event->buttons(), p.x(), p.y());
}

void TViewImage::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    form_->Image1MouseMove(event->buttons(), p.x(), p.y());
}

void TViewImage::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    form_->Image1MouseUp(event->button(), p.x(), p.y());
}

// A tool window: kept above the program's other windows, hidden (not destroyed) by its
// close box.
TViewForm::TViewForm(QWidget* parent) : QWidget(parent, Qt::Tool) {
    if (!ViewForm) ViewForm = this;
    brimlet::ExposeAsWindow(this, QAccessible::Window);
    setObjectName(QStringLiteral("ViewForm"));
    setWindowTitle(QStringLiteral("FullSize"));
    FillWith(this, kSkyBlue);
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    setFont(font);

    ScrollBox = new QScrollArea(this);
    ScrollBox->setFrameShape(QFrame::NoFrame);
    ScrollBox->setWidgetResizable(false);
    ScrollBox->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ScrollBox->horizontalScrollBar()->setTracking(true);  // the picture follows the thumb
    ScrollBox->verticalScrollBar()->setTracking(true);
    ScrollBox->horizontalScrollBar()->setAccessibleName(QStringLiteral("Scroll left and right"));
    ScrollBox->verticalScrollBar()->setAccessibleName(QStringLiteral("Scroll up and down"));
    FillWith(ScrollBox->viewport(), kSkyBlue);
    Content = new QWidget;
    Content->setAutoFillBackground(false);
    Image1 = new TViewImage(this, Content);
    Image1->setObjectName(QStringLiteral("Image1"));
    ScrollBox->setWidget(Content);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // The window takes the size the rules give it, however small the picture.
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    ScrollBox->setMinimumSize(1, 1);
    layout->addWidget(ScrollBox);

    move(66, 269);
    SetWindowSize(493, 379);
    brimlet::CloseOnEscape(this);
}

TViewForm::~TViewForm() {
    if (ViewForm == this) ViewForm = nullptr;
}

QSize TViewForm::ScreenSize() const {
    if (screenOverride_) return *screenOverride_;
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    return s ? s->size() : QSize(1024, 768);
}

// The frame's share of the outside size is known once the window manager has framed the
// window; before that the client area stands for the whole window.
QSize TViewForm::WindowSize() const {
    return size() + (frameGeometry().size() - geometry().size());
}

void TViewForm::SetWindowSize(int width, int height) {
    const QSize frame = frameGeometry().size() - geometry().size();
    resize(std::max(1, width - frame.width()), std::max(1, height - frame.height()));
}

void TViewForm::OpenOn(const brimlet::TBitmap32& picture) {
    hide();
    Image1->SetPicture(picture);
    show();  // runs FormShow
    FormResize();
}

void TViewForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TViewForm::FormShow() {
    inFormShow_ = true;
    move(30, 30);
    const QSize screen = ScreenSize();
    const int width = std::min(Image1->width() + 10, screen.width() - 50);
    const int height = std::min(Image1->height() + 35, screen.height() - 100);
    SetWindowSize(width, height);
    inFormShow_ = false;
    FormResize();
}

void TViewForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!inFormShow_) FormResize();
}

void TViewForm::PlaceImage(int left, int top) {
    Image1->move(left, top);
    Content->resize(left + Image1->width(), top + Image1->height());
}

void TViewForm::FormResize() {
    // Back to the top-left corner...
    PlaceImage(0, 0);
    ScrollBox->horizontalScrollBar()->setValue(0);
    ScrollBox->verticalScrollBar()->setValue(0);
    // ...or centred when the window is larger than the picture by more than the frame.
    const QSize window = WindowSize();
    const int top = Image1->height() < window.height() - 35
                        ? window.height() / 2 - Image1->height() / 2 : 0;
    const int left = Image1->width() < window.width() - 10
                         ? window.width() / 2 - Image1->width() / 2 : 0;
    PlaceImage(left, top);
}

void TViewForm::Image1MouseDown(Qt::MouseButton, Qt::MouseButtons buttons, int x, int y) {
    if (!(buttons & Qt::LeftButton)) return;
    Dragging = true;
    DragStartX = x;
    DragStartY = y;
}

void TViewForm::Image1MouseMove(Qt::MouseButtons buttons, int x, int y) {
    if (!(buttons & Qt::LeftButton) || !Dragging) return;
    // The scroll bars keep their values within range; Image1 moves with the content, so
    // the grabbed point stays under the pointer.
    QScrollBar* h = ScrollBox->horizontalScrollBar();
    QScrollBar* v = ScrollBox->verticalScrollBar();
    h->setValue(h->value() + (DragStartX - x));
    v->setValue(v->value() + (DragStartY - y));
}

void TViewForm::Image1MouseUp(Qt::MouseButton, int, int) { Dragging = false; }
