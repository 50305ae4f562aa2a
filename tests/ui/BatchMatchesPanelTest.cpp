// The batch program's panel session against the real panel: the same presses, slider
// positions and "Dyeing && Sketch" changes give, step by step, the same result picture in
// Image2, the same layers, the same result state and the same enabled buttons. Sequences
// are fixed telling ones plus random walks over whatever the panel offers at each point.
#include "cartoon/styles/PanelSession.h"
#include "tests/ui/MainWindowFixture.h"

#include <QtTest>

#include <random>

using brimlet::PanelButton;
using brimlet::PanelSession;
using brimlet::PanelSliders;

namespace {

QPushButton* ButtonOf(PanelButton b) {
    switch (b) {
        case PanelButton::Massing: return Standard->SpeedButton9;
        case PanelButton::Brighter: return Standard->SpeedButton2;
        case PanelButton::Darker: return Standard->SpeedButton3;
        case PanelButton::PencilSketch: return Standard->SpeedButton1;
        case PanelButton::PenSketch: return Standard->SpeedButton6;
        case PanelButton::PenAndInk: return Standard->SpeedButton4;
        case PanelButton::Shallow: return Standard->SpeedButton10;
        case PanelButton::Smooth: return Standard->SpeedButton8;
        case PanelButton::ClearSpots: return Standard->SpeedButton7;
    }
    return nullptr;
}

void SetSliders(const PanelSliders& s) {
    Standard->TrackBar2->setValue(s.scalar);
    Standard->TrackBar9->setValue(s.region);
    Standard->TrackBar8->setValue(s.sleek);
    Standard->CheckBox2->setChecked(s.gray);  // programmatic: does not rerun Massing
    Standard->TrackBar1->setValue(s.pencilPressure);
    Standard->TrackBar4->setValue(s.penPressure);
    Standard->TrackBar3->setValue(s.inkWidth);
    Standard->TrackBar5->setValue(s.inkLower);
    Standard->TrackBar6->setValue(s.inkUpper);
}

// Everything the session claims must be what the window holds.
bool SameAsWindow(const PanelSession& session, QString& why) {
    const auto& f = session.Flow();
    if (!(MainForm->Image2->Picture() == session.Shown())) why = "Image2";
    else if (!(MainForm->ColourLayer == session.ColourLayer())) why = "ColourLayer";
    else if (!(MainForm->LineLayer == session.LineLayer())) why = "LineLayer";
    else if (!(MainForm->PaletteBuffer == session.PaletteBuffer())) why = "PaletteBuffer";
    else if (Standard->ResultKind != f.ResultKind()) why = "ResultKind";
    else if (Standard->SketchResult != f.SketchResult()) why = "SketchResult";
    else if (!(Standard->FollowOn() == f.Buttons())) why = "enabled buttons";
    else if (Standard->CheckBox1->isChecked() != f.DyeingAndSketch()) why = "Dyeing && Sketch";
    // The panel keeps LevelStep across pictures; a session knows only its own Massing runs.
    else if (session.LevelStep() != 0 && Standard->LevelStep != session.LevelStep())
        why = "LevelStep";
    else return true;
    return false;
}

void OpenInWindow(const char* name) {
    ChooseOpenFile(TestData(name));
    MainForm->SpeedButton1Click();
}

PanelSession OpenSession(const char* name) {
    return PanelSession(*brimlet::LoadPicture(TestData(name).toStdString()));
}

}  // namespace

class BatchMatchesPanelTest : public QObject {
    Q_OBJECT
    TestWindows* windows_ = nullptr;

private slots:
    void init() { windows_ = new TestWindows; }
    void cleanup() { delete windows_; }

    void fixedSequences() {
        struct Case {
            const char* photo;
            bool dyeing;
            std::vector<PanelButton> presses;
        };
        using B = PanelButton;
        const Case cases[] = {
            {"sample-362x272.jpg", false, {B::PenSketch}},
            {"sample-362x272.jpg", true, {B::Massing, B::PenSketch}},
            {"hopper.bmp", true, {B::Massing, B::Brighter, B::PencilSketch, B::Shallow, B::Smooth}},
            {"fire.gif", false, {B::PenAndInk, B::ClearSpots, B::Massing, B::Darker}},
            {"pool.jpg", true, {B::PenSketch, B::Darker, B::ClearSpots, B::Shallow}},
        };
        brimlet::NoProgress progress;
        for (const Case& c : cases) {
            OpenInWindow(c.photo);
            PanelSession session = OpenSession(c.photo);
            Standard->CheckBox1->setChecked(c.dyeing);
            session.SetDyeingAndSketch(c.dyeing);
            const PanelSliders sliders = PanelSliders::StartPositions();
            for (PanelButton b : c.presses) {
                QVERIFY(ButtonOf(b)->isEnabled());
                ButtonOf(b)->click();
                session.Press(b, sliders, progress);
                QString why;
                QVERIFY2(SameAsWindow(session, why),
                         qPrintable(QString("%1 after %2: %3 differs")
                                        .arg(c.photo, QString::fromUtf8(brimlet::ButtonCaption(b).data()), why)));
            }
        }
    }

    // Random walks: each step either ticks/clears "Dyeing && Sketch" or presses a button the
    // panel offers, with sliders moved at random between steps.
    void randomWalks() {
        std::mt19937 random(20261208);
        brimlet::NoProgress progress;
        const char* photos[] = {"sample-362x272.jpg", "hopper.bmp", "rgb24.bmp"};
        for (int walk = 0; walk < 6; ++walk) {
            const char* photo = photos[walk % 3];
            OpenInWindow(photo);
            PanelSession session = OpenSession(photo);
            PanelSliders sliders = PanelSliders::StartPositions();
            for (int step = 0; step < 7; ++step) {
                auto pick = [&](int lo, int hi) { return std::uniform_int_distribution(lo, hi)(random); };
                sliders = {pick(2, 15), pick(0, 40), 40, pick(1, 4), pick(0, 1) == 1,
                           pick(1, 89), pick(0, 255), pick(1, 30), pick(0, 20), pick(0, 40)};
                SetSliders(sliders);
                if (pick(0, 4) == 0) {
                    const bool checked = !Standard->CheckBox1->isChecked();
                    Standard->CheckBox1->setChecked(checked);
                    session.SetDyeingAndSketch(checked);
                } else {
                    std::vector<PanelButton> offered;
                    for (PanelButton b : brimlet::kAllButtons)
                        if (session.Flow().IsEnabled(b)) offered.push_back(b);
                    const PanelButton b = offered[pick(0, int(offered.size()) - 1)];
                    QVERIFY(ButtonOf(b)->isEnabled());
                    ButtonOf(b)->click();
                    session.Press(b, sliders, progress);
                }
                QString why;
                QVERIFY2(SameAsWindow(session, why),
                         qPrintable(QString("walk %1 step %2: %3 differs").arg(walk).arg(step).arg(why)));
            }
        }
    }

    void aPressThePanelDoesNotOfferChangesNothing() {
        PanelSession session = OpenSession("sample-362x272.jpg");
        brimlet::NoProgress progress;
        const brimlet::TBitmap32 before = session.Shown();
        QVERIFY_THROWS_EXCEPTION(std::logic_error, session.Press(PanelButton::Smooth,
                                                                 PanelSliders::StartPositions(),
                                                                 progress));
        QVERIFY(session.Shown() == before);
        QCOMPARE(session.Flow().ResultKind(), 0);
        QVERIFY(!Standard->SpeedButton8->isEnabled());
    }
};

QTEST_MAIN(BatchMatchesPanelTest)
#include "BatchMatchesPanelTest.moc"
