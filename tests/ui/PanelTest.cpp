// The Make Cartoon panel in its window: controls as tabled, value labels at telling
// positions, the enabling rules event by event, what each style stores and shows, and the
// closing step back to the full-size tool.
#include "filters/PenInk.h"

#include "cartoon/panel/PanelControls.h"
#include "cartoon/styles/LineRefinements.h"
#include "cartoon/styles/Massing.h"
#include "cartoon/styles/Styles.h"
#include "tests/ui/MainWindowFixture.h"

#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

using brimlet::TBitmap32;

namespace {

// The five buttons whose enabled state changes, in a fixed order: Brighter, Darker,
// Clear Spots, Smooth, Shallow.
QString EnabledState() {
    QString s;
    for (QPushButton* b : {Standard->SpeedButton2, Standard->SpeedButton3, Standard->SpeedButton7,
                           Standard->SpeedButton8, Standard->SpeedButton10})
        s += b->isEnabled() ? u'1' : u'0';
    return s;
}

QSlider* Slider(const char* name) { return Standard->findChild<QSlider*>(name); }
QLabel* Label(const char* name) { return Standard->findChild<QLabel*>(name); }

void ExpectFullSizeTool() {
    QVERIFY(MainForm->FullSizeMode);
    QVERIFY(!MainForm->DyeingMode);
    QVERIFY(!MainForm->SpotClearMode);
    QVERIFY(MainForm->SpeedButton9->isChecked());
    QCOMPARE(MainForm->Image2->toolTip(), QString("Double click to view fullsize"));
}

}  // namespace

class PanelTest : public QObject {
    Q_OBJECT
    TestWindows* windows_ = nullptr;

private slots:
    void init() { windows_ = new TestWindows; }
    void cleanup() {
        delete windows_;
        QLocale::setDefault(QLocale::c());
    }

    void controlsAsTabled() {
        QCOMPARE(Standard->windowTitle(), QString("Make Cartoon"));
        QCOMPARE(Standard->size(), QSize(537, 286));
        QVERIFY(!Standard->isVisible());
        for (const auto& row : brimlet::panel::kSliders) {
            QSlider* s = Slider(row.slider);
            QVERIFY2(s, row.slider);
            QCOMPARE(s->minimum(), row.minimum);
            QCOMPARE(s->maximum(), row.maximum);
            QCOMPARE(s->value(), row.start);
            QCOMPARE(s->pageStep(), row.page);
            QCOMPARE(s->tickPosition(), QSlider::TicksBelow);
            QCOMPARE(s->geometry(), QRect(row.sliderBox.x, row.sliderBox.y, row.sliderBox.width,
                                          row.sliderBox.height));
            QCOMPARE(s->cursor().shape() == Qt::PointingHandCursor, row.handCursor);
            QCOMPARE(Label(row.valueLabel)->text(), QString(row.startText));
            QVERIFY(!s->accessibleName().isEmpty());
        }
        QCOMPARE(Standard->Label14->text(), QString("Pen & Ink density:"));
        QCOMPARE(Standard->CheckBox1->accessibleName(), QString("Dyeing & Sketch"));
        QVERIFY(!Standard->CheckBox1->isChecked());
        QVERIFY(Standard->CheckBox2->isChecked());
        QCOMPARE(Standard->ProgressBar1->maximum(), 800);
        QCOMPARE(Standard->SpeedButton4->accessibleName(), QString("Pen & Ink"));
        QCOMPARE(EnabledState(), QString("11000"));
        QCOMPARE(Standard->ResultKind, 0);
        QVERIFY(!Standard->SketchResult);
    }

    void valueLabels() {
        // The form's start text differs from the formula until the slider moves.
        QCOMPARE(Standard->Label1->text(), QString("50"));
        Standard->TrackBar4->setValue(124);
        Standard->TrackBar4->setValue(125);
        QCOMPARE(Standard->Label1->text(), QString("49"));
        Standard->TrackBar4->setValue(255);
        QCOMPARE(Standard->Label1->text(), QString("100"));

        const std::pair<int, const char*> region[] = {
            {0, "-10"}, {1, "-10"}, {19, "0"}, {20, "0"}, {21, "0"}, {23, "2"}, {39, "10"}, {40, "10"}};
        for (auto [position, text] : region) {
            Standard->TrackBar9->setValue(position);
            QCOMPARE(Standard->Label5->text(), QString(text));
        }
        Standard->TrackBar1->setValue(1);
        QCOMPARE(Standard->Label8->text(), QString("1"));
        Standard->TrackBar1->setValue(89);
        QCOMPARE(Standard->Label8->text(), QString("100"));
        Standard->TrackBar2->setValue(15);
        QCOMPARE(Standard->Label2->text(), QString("15"));
        Standard->TrackBar8->setValue(1);
        QCOMPARE(Standard->Label3->text(), QString("1"));

        Standard->TrackBar3->setValue(1);
        QCOMPARE(Standard->Label11->text(), QString("0"));
        Standard->TrackBar3->setValue(101);
        QCOMPARE(Standard->Label11->text(), QString("1"));
        Standard->TrackBar3->setValue(34);
        QCOMPARE(Standard->Label11->text(), QString("0.33"));
        Standard->TrackBar5->setValue(1);
        QCOMPARE(Standard->Label12->text(), QString("0.05"));
        Standard->TrackBar5->setValue(20);
        QCOMPARE(Standard->Label12->text(), QString("1"));
        Standard->TrackBar6->setValue(3);
        QCOMPARE(Standard->Label13->text(), QString("0.075"));
        Standard->TrackBar6->setValue(0);
        QCOMPARE(Standard->Label13->text(), QString("0"));

        // The user's decimal separator.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        Standard->TrackBar5->setValue(11);
        QCOMPARE(Standard->Label12->text(), QString("0,55"));
    }

    // Each event of the enabling table, in a sequence that passes through every row.
    // State string: Brighter, Darker, Clear Spots, Smooth, Shallow.
    void enablingTable() {
        Standard->SpeedButton9->click();  // Massing, box unchecked
        QCOMPARE(EnabledState(), QString("11000"));
        QCOMPARE(Standard->ResultKind, 1);
        QVERIFY(!Standard->SketchResult);

        Standard->CheckBox1->setChecked(true);  // before any sketch: only the colour buttons
        QCOMPARE(EnabledState(), QString("11000"));
        Standard->CheckBox1->setChecked(false);  // ResultKind 1: Clear Spots, Smooth off
        QCOMPARE(EnabledState(), QString("11000"));

        Standard->SpeedButton6->click();  // Pen Sketch, box unchecked
        QCOMPARE(EnabledState(), QString("00110"));
        QCOMPARE(Standard->ResultKind, 2);
        QVERIFY(Standard->SketchResult);

        Standard->SpeedButton8->click();  // Smooth: no change
        Standard->SpeedButton7->click();  // Clear Spots: no change
        QCOMPARE(EnabledState(), QString("00110"));
        QCOMPARE(Standard->ResultKind, 2);

        Standard->CheckBox1->setChecked(true);  // with a sketch made: everything offered
        QCOMPARE(EnabledState(), QString("11111"));
        Standard->SpeedButton10->click();  // Shallow: no change
        QCOMPARE(EnabledState(), QString("11111"));
        Standard->CheckBox1->setChecked(false);  // ResultKind 2: colour buttons and Shallow off
        QCOMPARE(EnabledState(), QString("00110"));

        Standard->SpeedButton9->click();  // Massing unchecked: line buttons off, colour on
        QCOMPARE(EnabledState(), QString("11000"));
        Standard->SpeedButton2->click();  // Brighter: no change, ResultKind 1
        Standard->SpeedButton3->click();
        QCOMPARE(EnabledState(), QString("11000"));
        QCOMPARE(Standard->ResultKind, 1);

        Standard->CheckBox1->setChecked(true);
        QCOMPARE(EnabledState(), QString("11111"));  // SketchResult is still true
        Standard->SpeedButton9->click();  // Massing checked: line buttons stay
        QCOMPARE(EnabledState(), QString("11111"));
        Standard->SpeedButton1->click();  // Pencil Sketch checked: colour buttons stay
        QCOMPARE(EnabledState(), QString("11111"));
        Standard->CheckBox1->setChecked(false);
        QCOMPARE(EnabledState(), QString("00110"));
        Standard->SpeedButton4->click();  // Pen & Ink unchecked
        QCOMPARE(EnabledState(), QString("00110"));
        QCOMPARE(Standard->ResultKind, 2);
    }

    // What the styles store and show, at slider positions away from the defaults so that a
    // slider fed to the wrong routine shows.
    void stylesStoreTheirLayers() {
        const TBitmap32 source = MainForm->Image1->Picture();
        Standard->TrackBar2->setValue(7);
        Standard->TrackBar9->setValue(31);
        Standard->TrackBar8->setValue(3);
        Standard->TrackBar4->setValue(200);
        Standard->TrackBar1->setValue(40);

        Standard->SpeedButton9->click();
        brimlet::NoProgress none;
        const brimlet::MassingResult massing =
            brimlet::RunMassing(source, brimlet::MassingSettings{7, 31, 40, 3, true}, none);
        QVERIFY(MainForm->ColourLayer == massing.colour);
        QVERIFY(MainForm->PaletteBuffer == massing.palette);
        QVERIFY(MainForm->Image2->Picture() == massing.colour);
        QCOMPARE(Standard->LevelStep, 37);
        QVERIFY(MainForm->LineLayer == source);  // untouched

        TBitmap32 brighter = massing.colour;
        brimlet::Brighter(brighter, none);
        Standard->SpeedButton2->click();
        QVERIFY(MainForm->ColourLayer == brighter);

        Standard->SpeedButton6->click();
        const TBitmap32 pen = brimlet::RunPenSketch(source, 200, none);
        QVERIFY(MainForm->LineLayer == pen);
        QVERIFY(MainForm->Image2->Picture() == pen);
        QVERIFY(MainForm->ColourLayer == brighter);

        TBitmap32 smoothed = pen;
        brimlet::smooth(smoothed, none);
        Standard->SpeedButton8->click();
        QVERIFY(MainForm->LineLayer == smoothed);

        // A sketch always starts again from the source picture.
        Standard->SpeedButton1->click();
        QVERIFY(MainForm->LineLayer == brimlet::RunPencilSketch(source, 40, none));

        Standard->TrackBar3->setValue(20);
        Standard->TrackBar5->setValue(5);
        Standard->TrackBar6->setValue(30);
        Standard->SpeedButton4->click();
        const TBitmap32 ink =
            brimlet::RunPenAndInk(source, brimlet::PenInkSettings::FromSliders(20, 5, 30));
        QVERIFY(MainForm->LineLayer == ink);

        // "Dyeing && Sketch": the sketch drawn over the colours, layers unchanged.
        Standard->CheckBox1->setChecked(true);
        TBitmap32 composite;
        brimlet::ComposeDyeingAndSketch(brighter, ink, composite);
        QVERIFY(MainForm->Image2->Picture() == composite);
        QVERIFY(MainForm->LineLayer == ink);
        QVERIFY(MainForm->ColourLayer == brighter);

        TBitmap32 shallow = ink;
        brimlet::Shallow(shallow, none);
        Standard->SpeedButton10->click();
        QVERIFY(MainForm->LineLayer == shallow);
        brimlet::ComposeDyeingAndSketch(brighter, shallow, composite);
        QVERIFY(MainForm->Image2->Picture() == composite);

        // Unchecked: the layer written last, by ResultKind.
        Standard->CheckBox1->setChecked(false);
        QVERIFY(MainForm->Image2->Picture() == shallow);
        QVERIFY(!Standard->SpeedButton3->isEnabled());  // after a sketch, unchecked
        Standard->CheckBox1->setChecked(true);
        Standard->SpeedButton3->click();  // Darker, offered while compositing
        TBitmap32 darker = brighter;
        brimlet::Darker(darker, none);
        QVERIFY(MainForm->ColourLayer == darker);
        Standard->CheckBox1->setChecked(false);
        QVERIFY(MainForm->Image2->Picture() == darker);
    }

    void grayBoxRerunsMassingAndRestyleRegionRow() {
        const TBitmap32 source = MainForm->Image1->Picture();
        Standard->CheckBox2->click();  // off: a colour result at once
        QCOMPARE(Standard->ResultKind, 1);
        brimlet::NoProgress none;
        QVERIFY(MainForm->ColourLayer ==
                brimlet::RunMassing(source, brimlet::MassingSettings{5, 20, 40, 5, false}, none).colour);
        QCOMPARE(Standard->TrackBar9->height(), 4);
        QVERIFY(!Standard->TrackBar9->isEnabled());
        QCOMPARE(Standard->Label6->palette().color(QPalette::WindowText), QColor(128, 128, 128));
        QCOMPARE(Standard->Label5->palette().color(QPalette::WindowText), QColor(128, 128, 128));

        Standard->CheckBox2->click();  // on again: grey result, row restored
        QVERIFY(MainForm->ColourLayer ==
                brimlet::RunMassing(source, brimlet::MassingSettings{}, none).colour);
        QCOMPARE(Standard->TrackBar9->height(), 12);
        QVERIFY(Standard->TrackBar9->isEnabled());
        QCOMPARE(Standard->Label6->palette().color(QPalette::WindowText), QColor(Qt::black));
    }

    // Every style run and every click of the box brings back the full-size tool.
    void runsEndInFullSizeTool() {
        MainForm->SpeedButton8Click();
        QVERIFY(MainForm->SpotClearMode);
        Standard->SpeedButton9->click();
        ExpectFullSizeTool();
        MainForm->SpeedButton4Click();
        QVERIFY(MainForm->DyeingMode);
        Standard->CheckBox1->setChecked(true);
        ExpectFullSizeTool();
        MainForm->SpeedButton8Click();
        Standard->SpeedButton6->click();
        ExpectFullSizeTool();
        MainForm->SpeedButton4Click();
        Standard->SpeedButton8->click();  // a refinement, offered after the sketch
        ExpectFullSizeTool();
    }

    // The bar shows the rows as they are counted and drops back to 0.
    void progressBarFollowsTheRows() {
        Standard->show();
        QVERIFY(QTest::qWaitForWindowExposed(Standard));
        QList<int> positions;
        connect(Standard->ProgressBar1, &QProgressBar::valueChanged,
                [&](int v) { positions << v; });
        Standard->SpeedButton9->click();  // grey path: 100, then one per row after the first
        QVERIFY(!positions.isEmpty());
        QCOMPARE(positions.first(), 100);
        QCOMPARE(*std::max_element(positions.begin(), positions.end()),
                 100 + MainForm->Image1->Picture().Height() - 1);
        QCOMPARE(Standard->ProgressBar1->value(), 0);
        QVERIFY(!Standard->Running());
    }
};

QTEST_MAIN(PanelTest)
#include "PanelTest.moc"
