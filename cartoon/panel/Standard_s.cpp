// The Make Cartoon panel: building it from its control tables, the value labels, the
// "Dyeing && Sketch" switch, showing results and the closing step of every run.
// The style handlers themselves are in StyleHandlers.cpp.
#include "cartoon/panel/Standard_s.h"

#include "cartoon/panel/PanelControls.h"
#include "cartoon/panel/SliderLabels.h"
#include "workspace/Accessibility.h"
#include "workspace/ErrorBox.h"
#include "workspace/Layout.h"
#include "workspace/MainForm_s.h"
#include "workspace/WindowLook.h"
#include "workspace/WorkspaceHistory.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>

#include <algorithm>

TStandard* Standard = nullptr;

namespace {

using brimlet::panel::Box;

QRect ToRect(const Box& b) { return QRect(b.x, b.y, b.width, b.height); }

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAccessibleName(text);
    label->move(x, y);
    label->adjustSize();
    return label;
}

// The caption as the user reads it: the toolkit's "&&" is one ampersand.
QString Shown(const char* caption) { return QString::fromUtf8(caption).replace("&&", "&"); }

}  // namespace

TStandard::TStandard(QWidget* parent) : QWidget(parent, brimlet::ToolWindowFlags()) {
    brimlet::ExposeAsWindow(this, QAccessible::Window);
    setObjectName(QStringLiteral("Standard"));
    setWindowTitle(QStringLiteral("Make Cartoon"));
    setAccessibleName(windowTitle());
    brimlet::ApplyWindowLook(this);
    setFixedSize(brimlet::panel::kPanelWidth, brimlet::panel::kPanelHeight);
    move(brimlet::panel::kPanelLeft, brimlet::panel::kPanelTop);
    BuildControls();
    progress_.Attach(ProgressBar1);
    ConnectHandlers();
}

void TStandard::BuildControls() {
    using namespace brimlet::panel;
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setAccessibleName(QStringLiteral("Progress"));
    ProgressBar1->setGeometry(ToRect(kProgressBar));
    ProgressBar1->setRange(0, kProgressMaximum);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);

    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(ToRect(kGroupBox1));

    QLabel** captions[] = {&Label4, &Label6, &Label7, &Label9, &Label10};
    QLabel** values[] = {&Label2, &Label5, &Label3, &Label8, &Label1, &Label11, &Label12, &Label13};
    QSlider** sliders[] = {&TrackBar2, &TrackBar9, &TrackBar8, &TrackBar1,
                           &TrackBar4, &TrackBar3, &TrackBar5, &TrackBar6};
    for (std::size_t i = 0; i < kSliders.size(); ++i) {
        const SliderRow& row = kSliders[i];
        if (row.caption)
            *captions[i] = MakeLabel(GroupBox1, row.caption, QString::fromLatin1(row.captionText),
                                     row.captionX, row.captionY);
        auto* slider = new QSlider(Qt::Horizontal, GroupBox1);
        slider->setObjectName(QString::fromLatin1(row.slider));
        slider->setGeometry(ToRect(row.sliderBox));
        slider->setRange(row.minimum, row.maximum);
        slider->setValue(row.start);
        slider->setPageStep(row.page);
        slider->setSingleStep(1);
        slider->setTickPosition(QSlider::TicksBelow);
        slider->setTickInterval(1);
        if (row.handCursor) slider->setCursor(Qt::PointingHandCursor);
        slider->setAccessibleName(row.captionText ? QString::fromLatin1(row.captionText)
                                                  : QStringLiteral("Pen & Ink density %1").arg(i - 4));
        *sliders[i] = slider;
        *values[i] = MakeLabel(GroupBox1, row.valueLabel, QString::fromLatin1(row.startText),
                               row.valueX, row.valueY);
        (*values[i])->setMinimumWidth(24);
    }
    Label14 = MakeLabel(GroupBox1, "Label14", Shown("Pen && Ink density:"), kDensityCaptionX,
                        kDensityCaptionY);

    QPushButton** buttons[] = {&SpeedButton9, &SpeedButton2,  &SpeedButton3,
                               &SpeedButton1, &SpeedButton10, &SpeedButton6,
                               &SpeedButton4, &SpeedButton7,  &SpeedButton8};
    for (std::size_t i = 0; i < kButtons.size(); ++i) {
        const ButtonSpec& row = kButtons[i];
        // A push button would read "&" as a mnemonic marker; doubling shows one ampersand.
        auto* button = new QPushButton(QString::fromUtf8(row.caption).replace("&", "&&"), GroupBox1);
        button->setObjectName(QString::fromLatin1(row.name));
        button->setAccessibleName(QString::fromUtf8(row.caption));
        button->setGeometry(ToRect(row.box));
        button->setEnabled(row.enabled);
        *buttons[i] = button;
    }

    CheckBox2 = new QCheckBox(QStringLiteral("Gray"), GroupBox1);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    CheckBox2->setAccessibleName(QStringLiteral("Gray"));
    CheckBox2->setGeometry(ToRect(kGrayBox));
    CheckBox2->setChecked(true);
    brimlet::ClickOnAccessibleAction(CheckBox2);

    Panel1 = new QFrame(GroupBox1);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::HLine);
    Panel1->setFrameShadow(QFrame::Sunken);
    Panel1->setGeometry(ToRect(kSeparator));

    GroupBox2 = new QGroupBox(this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(ToRect(kGroupBox2));
    // Check boxes, like the toolkit's own, write a literal ampersand doubled.
    CheckBox1 = new QCheckBox(QStringLiteral("Dyeing && Sketch"), GroupBox2);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setAccessibleName(Shown("Dyeing && Sketch"));
    QRect box = ToRect(kDyeingBox);
    // The nearest sans font runs wider than the original one: the caption gets the room it
    // needs and its group box grows to the right with it, within the window.
    box.setWidth(std::max(box.width(), CheckBox1->sizeHint().width()));
    CheckBox1->setGeometry(box);
    const int groupWidth = std::min(std::max(kGroupBox2.width, box.right() + 1 + 4),
                                    kPanelWidth - kGroupBox2.x - 2);
    GroupBox2->resize(groupWidth, GroupBox2->height());
    CheckBox1->setChecked(false);
    brimlet::ClickOnAccessibleAction(CheckBox1);
}

void TStandard::ConnectHandlers() {
    using brimlet::GuardedSlot;
    for (QSlider* slider : {TrackBar2, TrackBar9, TrackBar8, TrackBar1, TrackBar4, TrackBar3,
                            TrackBar5, TrackBar6})
        connect(slider, &QSlider::valueChanged, this,
                GuardedSlot(this, [this, slider] { TrackBarChange(slider); }));
    // Any change of state, by the user or by the program, runs the click handler.
    connect(CheckBox1, &QCheckBox::toggled, this, GuardedSlot(this, [this] { CheckBox1Click(); }));
    // "Gray" reruns Massing when the user clicks it.
    connect(CheckBox2, &QCheckBox::clicked, this, GuardedSlot(this, [this] { SpeedButton9Click(); }));
    const std::pair<QPushButton*, void (TStandard::*)()> styles[] = {
        {SpeedButton9, &TStandard::SpeedButton9Click}, {SpeedButton2, &TStandard::SpeedButton2Click},
        {SpeedButton3, &TStandard::SpeedButton3Click}, {SpeedButton6, &TStandard::SpeedButton6Click},
        {SpeedButton1, &TStandard::SpeedButton1Click}, {SpeedButton4, &TStandard::SpeedButton4Click},
        {SpeedButton10, &TStandard::SpeedButton10Click}, {SpeedButton8, &TStandard::SpeedButton8Click},
        {SpeedButton7, &TStandard::SpeedButton7Click}};
    for (const auto& [button, handler] : styles)
        connect(button, &QPushButton::clicked, this,
                GuardedSlot(this, [this, handler = handler] { (this->*handler)(); }));
}

void TStandard::TrackBarChange(QSlider* slider) {
    QLabel* label = GroupBox1->findChild<QLabel*>(
        [&] {
            for (const auto& row : brimlet::panel::kSliders)
                if (slider->objectName() == QLatin1String(row.slider))
                    return QString::fromLatin1(row.valueLabel);
            return QString();
        }(),
        Qt::FindDirectChildrenOnly);
    if (!label) return;
    const QString decimal = QLocale().decimalPoint();
    const char point = decimal.size() == 1 && decimal[0].unicode() < 128 ? char(decimal[0].unicode()) : '.';
    QString text = QString::fromStdString(brimlet::panel::ValueLabelText(
        slider->objectName().toStdString(), slider->value(), slider->maximum(), point));
    if (point == '.' && decimal != QLatin1String(".")) text.replace(u'.', decimal);
    label->setText(text);
    label->setAccessibleName(text);
    label->adjustSize();
}

void TStandard::ShowResult(const brimlet::TBitmap32& picture) {
    ShowResult(brimlet::TBitmap32(picture));
}

void TStandard::ShowResult(brimlet::TBitmap32&& picture) {
    if (CheckBox1->isChecked()) {
        MainForm->ShowResultByRule();
        return;
    }
    MainForm->Image2->SetPicture(std::move(picture));
    MainForm->ResultShownByRule = true;  // the picture is the layer the rule would show
    MainForm->Display(MainForm->Image2, MainForm->ImgPanel2);
    MainForm->DisplayScale = brimlet::DisplayScaleFor(MainForm->Image2->Picture().Width(),
                                                      MainForm->Image2->width());
}

void TStandard::SelectFullSizeTool() { MainForm->SelectFullSizeTool(); }

void TStandard::CheckBox1Click() {
    const bool checked = CheckBox1->isChecked();
    MainForm->ShowResultByRule();
    SelectFullSizeTool();
    brimlet::FollowOnButtons buttons = FollowOn();
    brimlet::EnableAfterDyeingToggle(buttons, checked, ResultKind, SketchResult);
    SetFollowOn(buttons);
}

brimlet::FollowOnButtons TStandard::FollowOn() const {
    return {SpeedButton2->isEnabled(), SpeedButton3->isEnabled(), SpeedButton7->isEnabled(),
            SpeedButton8->isEnabled(), SpeedButton10->isEnabled()};
}

void TStandard::SetFollowOn(const brimlet::FollowOnButtons& buttons) {
    SpeedButton2->setEnabled(buttons.brighter);
    SpeedButton3->setEnabled(buttons.darker);
    SpeedButton7->setEnabled(buttons.clearSpots);
    SpeedButton8->setEnabled(buttons.smooth);
    SpeedButton10->setEnabled(buttons.shallow);
}

void TStandard::SetRegionRowLook(bool gray) {
    TrackBar9->resize(TrackBar9->width(), gray ? 12 : 4);
    TrackBar9->setEnabled(gray);
    const QColor colour = gray ? QColor(Qt::black) : QColor(128, 128, 128);
    for (QLabel* label : {Label6, Label5}) {
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, colour);
        label->setPalette(p);
    }
}

void TStandard::RunStyle(const char* name, unsigned layers, const std::function<void()>& style) {
    if (running_ || !MainForm) return;
    running_ = true;
    struct Finish {
        TStandard* panel;
        ~Finish() {
            panel->running_ = false;
            panel->progress_.SetPosition(0);
        }
    } finish{this};
    // Ends the step also when the run fails half way: what it wrote can be taken back.
    TWorkspaceHistory::Scope step(MainForm->History, name, layers | TWorkspaceHistory::kShown,
                                  TWorkspaceHistory::Result::kChanged);
    style();
}

void TStandard::StoreColourResult(brimlet::TBitmap32&& picture) {
    MainForm->ColourLayer.Assign(picture);
    ShowResult(std::move(picture));
    ResultKind = 1;
    SelectFullSizeTool();
}

void TStandard::StoreLineResult(brimlet::TBitmap32&& picture) {
    MainForm->LineLayer.Assign(picture);
    ShowResult(std::move(picture));
    ResultKind = 2;
    SelectFullSizeTool();
}

void TStandard::EnableAfterSketch() {
    brimlet::FollowOnButtons buttons = FollowOn();
    brimlet::EnableAfterSketch(buttons, CheckBox1->isChecked());
    SetFollowOn(buttons);
    SketchResult = true;
}
