#include "printing/Print_Setup_s.h"

#include "core/StrToInt.h"
#include "printing/PreviewImage.h"
#include "printing/StepGlyphs.h"
#include "workspace/Accessibility.h"
#include "workspace/ErrorBox.h"
#include "workspace/EscapeKey.h"
#include "workspace/WindowLook.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPointer>
#include <QShowEvent>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <utility>

using namespace brimlet;
namespace pl = brimlet::placement;

namespace {

const TBitmap32& NoPicture() {
    static const TBitmap32 empty;
    return empty;
}

int ValueOf(const QLineEdit* edit) { return StrToInt(edit->text().toStdString()); }

void SetValue(QLineEdit* edit, int value) { edit->setText(QString::number(value)); }

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->adjustSize();
    label->move(x, y);
    return label;
}

// The labels sit left of their edits with little room; a wider desktop font than the one
// the layout was drawn for would run under the edit, so the label's font shrinks to fit.
void FitLabelWidth(QLabel* label, int width) {
    QFont font = label->font();
    while (label->sizeHint().width() > width && font.pointSizeF() > 6.0) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
        label->setFont(font);
    }
    label->adjustSize();
}

// Each edit is named after its label, so a screen reader says what the number means.
QLineEdit* MakeEdit(QWidget* parent, const char* name, const char* spoken, int x, int y) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setAccessibleName(QString::fromLatin1(spoken));
    edit->setGeometry(x, y, 41, 21);
    return edit;
}

// Speed buttons never take the keyboard focus, so the tab order runs over the edits only.
QToolButton* MakeButton(QWidget* parent, const char* name, QRect geometry) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    button->setFocusPolicy(Qt::NoFocus);
    button->setIconSize(QSize(17, 17));
    return button;
}

// The glyph buttons show only a picture; their spoken name says what the picture shows.
QToolButton* MakeGlyphButton(QWidget* parent, const char* name, const char* spoken, int x, int y,
                             StepGlyph glyph) {
    QToolButton* button = MakeButton(parent, name, QRect(x, y, 18, 18));
    button->setAccessibleName(QString::fromLatin1(spoken));
    button->setIcon(MakeStepGlyph(glyph));
    return button;
}

// Draws the picture stretched into target, of which only the part on the paper is sent: a
// picture placed far beyond the page would otherwise reach the printer as a huge image
// the drivers drop. The part is cut at whole picture pixels so the scale stays exact.
void DrawOnPaper(QPainter& painter, const QRectF& target, const QRectF& paper,
                 const QImage& picture) {
    const QRectF visible = target.intersected(paper);
    if (visible.isEmpty()) return;
    if (visible == target) {
        painter.drawImage(target, picture);
        return;
    }
    const double perPixelX = target.width() / picture.width();
    const double perPixelY = target.height() / picture.height();
    auto first = [](double offset, double per, int limit) {
        return std::clamp(int(std::floor(offset / per)), 0, limit);
    };
    auto last = [](double offset, double per, int limit) {
        return std::clamp(int(std::ceil(offset / per)), 0, limit);
    };
    const int x0 = first(visible.left() - target.left(), perPixelX, picture.width());
    const int x1 = last(visible.right() - target.left(), perPixelX, picture.width());
    const int y0 = first(visible.top() - target.top(), perPixelY, picture.height());
    const int y1 = last(visible.bottom() - target.top(), perPixelY, picture.height());
    if (x1 <= x0 || y1 <= y0) return;
    const QRectF part(target.left() + x0 * perPixelX, target.top() + y0 * perPixelY,
                      (x1 - x0) * perPixelX, (y1 - y0) * perPixelY);
    painter.save();
    painter.setClipRect(paper);
    if (part.width() <= 4 * paper.width() && part.height() <= 4 * paper.height()) {
        painter.drawImage(part, picture.copy(x0, y0, x1 - x0, y1 - y0));
    } else {
        // A picture pixel larger than the paper: the few visible pixels fill what shows.
        const QRectF source((visible.left() - target.left()) / perPixelX,
                            (visible.top() - target.top()) / perPixelY, visible.width() / perPixelX,
                            visible.height() / perPixelY);
        const QRect cells = source.toAlignedRect().intersected(picture.rect());
        if (!cells.isEmpty()) painter.drawImage(visible, picture.copy(cells));
    }
    painter.restore();
}

// Hides a part of a dialog each time the dialog has been shown.
class HideWhenShown : public QObject {
public:
    explicit HideWhenShown(QWidget* part) : part_(part) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show && part_) part_->hide();
        return false;
    }

private:
    QPointer<QWidget> part_;
};

bool RunDesktopPrintDialog(QPrinter& printer, QWidget* parent) {
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    // Kept on purpose: without a printer, "Print to File (PDF)" is the only way to print.
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    // The desktop dialog lays its page range group ("Pages from" enabled) out again as it
    // shows, whatever the options say; one page of one picture has no range to choose, so
    // the group goes once the dialog is shown.
    HideWhenShown hideRange(dialog.findChild<QWidget*>(QStringLiteral("gbPrintRange")));
    dialog.installEventFilter(&hideRange);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace

TPrint_Setup::TPrint_Setup(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint |
                          Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      resultSource_(NoPicture) {
    ExposeAsWindow(this, QAccessible::Dialog);
    setObjectName(QStringLiteral("Print_Setup"));
    setWindowTitle(QStringLiteral("Print_Setup"));
    ApplyWindowLook(this);
    setFixedSize(378, 334);
    move(208, 113);
    BuildControls();
    brimlet::CloseOnEscape(this);

    // Already running, with nothing to repeat, until the first press on a step button.
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(50);
    connect(Timer1, &QTimer::timeout, this, &TPrint_Setup::RunTimerTick);
    Timer1->start();
}

void TPrint_Setup::BuildControls() {
    Label1 = MakeLabel(this, "Label1", QStringLiteral("Preview: ( A4: 210 x 297 mm )"), 16, 8);
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(16, 24, pl::kPageWidthMm, pl::kPageHeightMm);
    SetBackground(Panel1, Qt::white);
    Image1 = new TPreviewImage(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));

    Label2 = MakeLabel(this, "Label2", QStringLiteral("Top Space:"), 240, 38);
    Edit1 = MakeEdit(this, "Edit1", "Top Space (mm)", 296, 30);
    Label4 = MakeLabel(this, "Label4", QStringLiteral("mm"), 344, 38);
    Label3 = MakeLabel(this, "Label3", QStringLiteral("Left Space:"), 240, 64);
    Edit2 = MakeEdit(this, "Edit2", "Left Space (mm)", 296, 56);
    Label5 = MakeLabel(this, "Label5", QStringLiteral("mm"), 344, 64);

    SpeedButton2 = MakeGlyphButton(this, "SpeedButton2", "Move up", 240, 88, StepGlyph::Up);
    SpeedButton5 = MakeGlyphButton(this, "SpeedButton5", "Move down", 265, 88, StepGlyph::Down);
    SpeedButton8 =
        MakeGlyphButton(this, "SpeedButton8", "Centre on the page", 290, 88, StepGlyph::Centre);
    SpeedButton6 = MakeGlyphButton(this, "SpeedButton6", "Move left", 315, 88, StepGlyph::Left);
    SpeedButton7 = MakeGlyphButton(this, "SpeedButton7", "Move right", 340, 88, StepGlyph::Right);

    Label6 = MakeLabel(this, "Label6", QStringLiteral("Picture Size:"), 240, 132);
    Edit3 = MakeEdit(this, "Edit3", "Picture width (mm)", 240, 152);
    Label7 = MakeLabel(this, "Label7", QStringLiteral("x"), 287, 161);
    Edit4 = MakeEdit(this, "Edit4", "Picture height (mm)", 296, 152);
    Label8 = MakeLabel(this, "Label8", QStringLiteral("mm"), 344, 160);
    SpeedButton3 = MakeGlyphButton(this, "SpeedButton3", "Enlarge", 240, 184, StepGlyph::Plus);
    SpeedButton4 = MakeGlyphButton(this, "SpeedButton4", "Shrink", 272, 184, StepGlyph::Minus);

    CheckBox1 = new QCheckBox(QStringLiteral("Fit the page"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setGeometry(240, 232, 97, 17);
    ClickOnAccessibleAction(CheckBox1);
    SpeedButton1 = MakeButton(this, "SpeedButton1", QRect(312, 272, 49, 25));
    SpeedButton1->setText(QStringLiteral("Print"));

    FitLabelWidth(Label2, Edit1->x() - Label2->x() - 2);
    FitLabelWidth(Label3, Edit2->x() - Label3->x() - 2);

    setTabOrder(Edit1, Edit2);
    setTabOrder(Edit2, Edit3);
    setTabOrder(Edit3, Edit4);
    setTabOrder(Edit4, CheckBox1);

    for (QLineEdit* edit : {Edit1, Edit2, Edit3, Edit4}) edit->installEventFilter(this);
    for (QToolButton* button :
         {SpeedButton2, SpeedButton5, SpeedButton6, SpeedButton7, SpeedButton3, SpeedButton4})
        button->installEventFilter(this);

    auto connectClick = [this](QToolButton* button, void (TPrint_Setup::*handler)()) {
        connect(button, &QToolButton::clicked, this,
                GuardedSlot(this, [this, handler] { (this->*handler)(); }));
    };
    connectClick(SpeedButton1, &TPrint_Setup::SpeedButton1Click);
    connectClick(SpeedButton2, &TPrint_Setup::SpeedButton2Click);
    connectClick(SpeedButton3, &TPrint_Setup::SpeedButton3Click);
    connectClick(SpeedButton4, &TPrint_Setup::SpeedButton4Click);
    connectClick(SpeedButton5, &TPrint_Setup::SpeedButton5Click);
    connectClick(SpeedButton6, &TPrint_Setup::SpeedButton6Click);
    connectClick(SpeedButton7, &TPrint_Setup::SpeedButton7Click);
    connectClick(SpeedButton8, &TPrint_Setup::SpeedButton8Click);
    // A programmatic change of the box runs its handler just as a click does.
    connect(CheckBox1, &QCheckBox::toggled, this, GuardedSlot(this, [this] { CheckBox1Click(); }));
}

void TPrint_Setup::SetResultSource(std::function<const TBitmap32&()> source) {
    resultSource_ = source ? std::move(source) : std::function<const TBitmap32&()>(NoPicture);
}

void TPrint_Setup::SetPrintDialogRunner(std::function<bool(QPrinter&)> runner) {
    printDialogRunner_ = std::move(runner);
}

int TPrint_Setup::PictureWidth() const { return resultSource_().Width(); }
int TPrint_Setup::PictureHeight() const { return resultSource_().Height(); }

// ---- Event routing -------------------------------------------------------------------

void TPrint_Setup::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Only a real show initialises: restoring from an icon is a spontaneous show.
    if (!event->spontaneous()) Guarded(this, [this] { FormShow(); });
}

bool TPrint_Setup::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyRelease) {
        // One key-up per physical release, as the edits' key-up events come.
        if (static_cast<QKeyEvent*>(event)->isAutoRepeat()) return false;
        void (TPrint_Setup::*handler)() = nullptr;
        if (watched == Edit1) handler = &TPrint_Setup::Edit1KeyUp;
        if (watched == Edit2) handler = &TPrint_Setup::Edit2KeyUp;
        if (watched == Edit3) handler = &TPrint_Setup::Edit3KeyUp;
        if (watched == Edit4) handler = &TPrint_Setup::Edit4KeyUp;
        if (handler) Guarded(this, [this, handler] { (this->*handler)(); });
        return false;
    }
    const bool press =
        event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick;
    const bool release = event->type() == QEvent::MouseButtonRelease;
    auto* widget = qobject_cast<QWidget*>(watched);
    if ((press || release) && widget && widget->isEnabled()) {
        struct Route {
            QToolButton* button;
            void (TPrint_Setup::*down)();
            void (TPrint_Setup::*up)();
        };
        const Route routes[] = {
            {SpeedButton2, &TPrint_Setup::SpeedButton2MouseDown,
             &TPrint_Setup::SpeedButton2MouseUp},
            {SpeedButton5, &TPrint_Setup::SpeedButton5MouseDown,
             &TPrint_Setup::SpeedButton5MouseUp},
            {SpeedButton6, &TPrint_Setup::SpeedButton6MouseDown,
             &TPrint_Setup::SpeedButton6MouseUp},
            {SpeedButton7, &TPrint_Setup::SpeedButton7MouseDown,
             &TPrint_Setup::SpeedButton7MouseUp},
            {SpeedButton3, &TPrint_Setup::SpeedButton3MouseDown,
             &TPrint_Setup::SpeedButton3MouseUp},
            {SpeedButton4, &TPrint_Setup::SpeedButton4MouseDown,
             &TPrint_Setup::SpeedButton4MouseUp},
        };
        // The filter sees the release before the button does, so the repeat stops before
        // the click adds its own step.
        for (const Route& route : routes)
            if (watched == route.button) (this->*(press ? route.down : route.up))();
    }
    return false;
}

// ---- Showing -------------------------------------------------------------------------

void TPrint_Setup::FormShow() {
    const pl::Placement start = pl::StartPlacement(PictureWidth(), PictureHeight());
    SetValue(Edit1, start.top);
    SetValue(Edit2, start.left);
    SetValue(Edit3, start.width);
    SetValue(Edit4, start.height);
    Image1->SetPicture(resultSource_());
    SetPreviewTop(ValueOf(Edit1));
    SetPreviewLeft(ValueOf(Edit2));
    SetPreviewWidth(ValueOf(Edit3));
    SetPreviewHeight(ValueOf(Edit4));
    CheckBox1->setChecked(false);  // leaving fit mode runs the un-fit rule
    // Showing always returns to free mode, also after an un-fit that stopped at a bad text
    // and left the box unchecked with its controls still disabled.
    SetControlsEnabled(true);
    repeatAction_ = kNone;
}

// ---- Typing --------------------------------------------------------------------------

void TPrint_Setup::Edit1KeyUp() {
    const QString text = Edit1->text();
    if (!pl::IsIntegerText(text.toStdString())) return;
    SetPreviewTop(text == QLatin1String("-") ? 0 : ValueOf(Edit1));
}

void TPrint_Setup::Edit2KeyUp() {
    const QString text = Edit2->text();
    if (!pl::IsIntegerText(text.toStdString())) return;
    SetPreviewLeft(text == QLatin1String("-") ? 0 : ValueOf(Edit2));
}

// Typing a size keeps the proportions and never moves the picture: it grows and shrinks
// from its top-left corner.
void TPrint_Setup::Edit3KeyUp() {
    const QString text = Edit3->text();
    if (!pl::IsIntegerText(text.toStdString())) return;
    if (text == QLatin1String("-")) {
        SetPreviewWidth(0);
        Edit4->setText(QStringLiteral("0"));
        SetPreviewHeight(0);
        return;
    }
    const int width = ValueOf(Edit3);
    const int height = pl::HeightForWidth(width, PictureWidth(), PictureHeight());
    SetValue(Edit4, height);
    SetPreviewWidth(width);
    SetPreviewHeight(height);
}

void TPrint_Setup::Edit4KeyUp() {
    const QString text = Edit4->text();
    if (!pl::IsIntegerText(text.toStdString())) return;
    if (text == QLatin1String("-")) {
        SetPreviewWidth(0);
        Edit3->setText(QStringLiteral("0"));
        SetPreviewHeight(0);
        return;
    }
    const int height = ValueOf(Edit4);
    const int width = pl::WidthForHeight(height, PictureWidth(), PictureHeight());
    SetValue(Edit3, width);
    SetPreviewHeight(height);
    SetPreviewWidth(width);
}

// ---- Steps ---------------------------------------------------------------------------

void TPrint_Setup::RunStep(int action) {
    switch (action) {
    case kUp: MoveValue(Edit1, -1, true); break;
    case kDown: MoveValue(Edit1, +1, true); break;
    case kLeft: MoveValue(Edit2, -1, false); break;
    case kRight: MoveValue(Edit2, +1, false); break;
    case kEnlarge: Resize(+2, -1); break;
    case kShrink: Resize(-2, +1); break;
    default: break;
    }
}

void TPrint_Setup::MoveValue(QLineEdit* edit, int delta, bool vertical) {
    SetValue(edit, pl::Clamp32(std::int64_t(ValueOf(edit)) + delta));
    const int value = ValueOf(edit);
    if (vertical)
        SetPreviewTop(value);
    else
        SetPreviewLeft(value);
}

// Enlarging by 2 mm moves the picture 1 mm left and Round(H / W) mm up, so it stays
// roughly where it was; shrinking does the opposite.
void TPrint_Setup::Resize(int sizeStep, int sign) {
    SetValue(Edit3, pl::Clamp32(std::int64_t(ValueOf(Edit3)) + sizeStep));
    SetValue(Edit4, pl::HeightForWidth(ValueOf(Edit3), PictureWidth(), PictureHeight()));
    SetPreviewWidth(ValueOf(Edit3));
    SetPreviewHeight(ValueOf(Edit4));
    SetPreviewLeft(pl::Clamp32(std::int64_t(preview_.left) + sign));
    SetValue(Edit2, preview_.left);
    const int shift = pl::EnlargeTopShift(PictureWidth(), PictureHeight());
    SetPreviewTop(pl::Clamp32(std::int64_t(preview_.top) + std::int64_t(sign) * shift));
    SetValue(Edit1, preview_.top);
}

void TPrint_Setup::SpeedButton2Click() { RunStep(kUp); }
void TPrint_Setup::SpeedButton5Click() { RunStep(kDown); }
void TPrint_Setup::SpeedButton6Click() { RunStep(kLeft); }
void TPrint_Setup::SpeedButton7Click() { RunStep(kRight); }
void TPrint_Setup::SpeedButton3Click() { RunStep(kEnlarge); }
void TPrint_Setup::SpeedButton4Click() { RunStep(kShrink); }

void TPrint_Setup::SpeedButton8Click() {
    SetPreviewTop(pl::CentredTop(ValueOf(Edit4)));
    SetPreviewLeft(pl::CentredLeft(ValueOf(Edit3)));
    SetValue(Edit1, preview_.top);
    SetValue(Edit2, preview_.left);
}

// ---- Auto-repeat ---------------------------------------------------------------------

void TPrint_Setup::BeginRepeat(int action) {
    repeatAction_ = action;
    Timer1->start();
}

// The action is kept: only showing the window resets it.
void TPrint_Setup::EndRepeat() { Timer1->stop(); }

void TPrint_Setup::SpeedButton2MouseDown() { BeginRepeat(kUp); }
void TPrint_Setup::SpeedButton2MouseUp() { EndRepeat(); }
void TPrint_Setup::SpeedButton5MouseDown() { BeginRepeat(kDown); }
void TPrint_Setup::SpeedButton5MouseUp() { EndRepeat(); }
void TPrint_Setup::SpeedButton6MouseDown() { BeginRepeat(kLeft); }
void TPrint_Setup::SpeedButton6MouseUp() { EndRepeat(); }
void TPrint_Setup::SpeedButton7MouseDown() { BeginRepeat(kRight); }
void TPrint_Setup::SpeedButton7MouseUp() { EndRepeat(); }
void TPrint_Setup::SpeedButton3MouseDown() { BeginRepeat(kEnlarge); }
void TPrint_Setup::SpeedButton3MouseUp() { EndRepeat(); }
void TPrint_Setup::SpeedButton4MouseDown() { BeginRepeat(kShrink); }
void TPrint_Setup::SpeedButton4MouseUp() { EndRepeat(); }

void TPrint_Setup::Timer1Timer() { RunStep(repeatAction_); }

// A failing step stops the repeat before its error is shown: the error box's own event
// loop would otherwise deliver further ticks, each opening another box, and the button's
// release would never arrive to stop them.
void TPrint_Setup::RunTimerTick() {
    if (reportingTickError_) return;
    try {
        Timer1Timer();
    } catch (...) {
        Timer1->stop();
        reportingTickError_ = true;
        ShowCurrentException(this);
        reportingTickError_ = false;
    }
}

// ---- Fit the page --------------------------------------------------------------------

void TPrint_Setup::CheckBox1Click() {
    if (CheckBox1->isChecked()) {
        const pl::Placement fit = pl::FitPlacement(PictureWidth(), PictureHeight());
        SetPreviewTop(fit.top);
        SetPreviewHeight(fit.height);
        SetPreviewWidth(fit.width);
        SetPreviewLeft(fit.left);
        SetControlsEnabled(false);
        return;
    }
    // Restored from the texts one by one: a bad text stops here and the controls stay off.
    SetPreviewTop(ValueOf(Edit1));
    SetPreviewLeft(ValueOf(Edit2));
    SetPreviewWidth(ValueOf(Edit3));
    SetPreviewHeight(ValueOf(Edit4));
    SetControlsEnabled(true);
}

void TPrint_Setup::SetControlsEnabled(bool enabled) {
    for (QWidget* control : std::initializer_list<QWidget*>{
             Edit1, Edit2, Edit3, Edit4, SpeedButton2, SpeedButton3, SpeedButton4, SpeedButton5,
             SpeedButton6, SpeedButton7, SpeedButton8})
        control->setEnabled(enabled);
}

// ---- Preview rectangle ---------------------------------------------------------------

void TPrint_Setup::SetPreviewTop(int value) {
    preview_.top = value;
    ApplyPreviewGeometry();
}
void TPrint_Setup::SetPreviewLeft(int value) {
    preview_.left = value;
    ApplyPreviewGeometry();
}
void TPrint_Setup::SetPreviewWidth(int value) {
    preview_.width = value;
    ApplyPreviewGeometry();
}
void TPrint_Setup::SetPreviewHeight(int value) {
    preview_.height = value;
    ApplyPreviewGeometry();
}

// The widget shows what it can: zero or negative sizes show nothing, and values beyond the
// toolkit's coordinate range are held back to it (the placement itself keeps the values).
void TPrint_Setup::ApplyPreviewGeometry() {
    constexpr int kLimit = 1 << 22;
    auto bound = [](int v) { return v < -kLimit ? -kLimit : v > kLimit ? kLimit : v; };
    const int width = preview_.width > 0 ? bound(preview_.width) : 0;
    const int height = preview_.height > 0 ? bound(preview_.height) : 0;
    Image1->setGeometry(bound(preview_.left), bound(preview_.top), width, height);
}

// ---- Printing ------------------------------------------------------------------------

void TPrint_Setup::SpeedButton1Click() {
    for (const QLineEdit* edit : {Edit1, Edit2, Edit3, Edit4}) {
        if (!pl::IsIntegerText(edit->text().toStdString())) {
            ShowMessage(this, QMessageBox::NoIcon, QString::fromUtf8(kApplicationTitle),
                        QStringLiteral("Please input a valid integer value."));
            return;
        }
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setFullPage(true);
    printer.setDocName(QString());
    if (!RunPrintDialog(printer)) return;

    // Every conversion comes before the job starts, so a bad text never leaves a job open.
    const int heightMm = ValueOf(Edit4);
    const int widthMm = ValueOf(Edit3);
    Rect units;
    if (CheckBox1->isChecked()) {
        units =
            pl::PageRectFromValues(preview_.top, preview_.left, preview_.width, preview_.height);
    } else {
        const int leftMm = ValueOf(Edit2);
        const int topMm = ValueOf(Edit1);
        units = pl::PageRectFromValues(topMm, leftMm, widthMm, heightMm);
    }
    PrintPicture(printer, units);
}

bool TPrint_Setup::RunPrintDialog(QPrinter& printer) {
    if (printDialogRunner_) return printDialogRunner_(printer);
    return RunDesktopPrintDialog(printer, this);
}

// The rectangle is in 1/14.4 mm from the paper's top-left corner; it is mapped to the
// printer's real resolution so the paper shows the millimetres the window shows.
void TPrint_Setup::PrintPicture(QPrinter& printer, const Rect& units) {
    printer.setFullPage(true);  // origin at the paper's corner, whatever the dialog chose
    // Drawn straight from the result's pixels: no second copy of a large picture.
    const TBitmap32& result = resultSource_();
    const QImage picture =
        result.Empty() ? QImage()
                       : QImage(static_cast<const uchar*>(result.Bits()), result.Width(),
                                result.Height(), static_cast<qsizetype>(result.Stride()),
                                QImage::Format_RGB32);
    QPainter painter;
    if (!painter.begin(&printer)) throw std::runtime_error("The printer could not be started");
    const pl::DeviceRect d = pl::UnitsToDevice(units, printer.logicalDpiX(), printer.logicalDpiY());
    if (!picture.isNull() && d.width > 0 && d.height > 0) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        DrawOnPaper(painter, QRectF(d.left, d.top, d.width, d.height),
                    QRectF(0, 0, printer.width(), printer.height()), picture);
    }
    painter.end();
}
