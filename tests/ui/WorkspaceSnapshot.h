// Everything an undo must put back, read off the windows, for comparing field by field;
// and the user's steps driven through the same handlers the mouse and buttons run.
#pragma once

#include "tests/ui/MainWindowFixture.h"
#include "workspace/CropSelection.h"
#include "workspace/ResultTools.h"
#include "workspace/WorkspaceHistory.h"

#include <QTimer>
#include <QToolButton>
#include <QtTest>

struct WorkspaceSnapshot {
    brimlet::TBitmap32 image1, image2, colour, line, palette;
    int resultKind = 0, levelStep = 0;
    bool sketchResult = false, dyeingAndSketch = false;
    QList<bool> enabled;
    bool dyeing = false, spotClear = false, fullSize = false;
    QList<bool> toolButtons;
    QString image1Hint, image2Hint;
    brimlet::TCutRect cut;
    bool inside = false, canStart = false, marching = false;
    QRect image1Geometry, image2Geometry;
    double displayScale = 0;

    static WorkspaceSnapshot Take() {
        WorkspaceSnapshot s;
        s.image1 = MainForm->Image1->Picture();
        s.image2 = MainForm->Image2->Picture();
        s.colour = MainForm->ColourLayer;
        s.line = MainForm->LineLayer;
        s.palette = MainForm->PaletteBuffer;
        s.resultKind = Standard->ResultKind;
        s.levelStep = Standard->LevelStep;
        s.sketchResult = Standard->SketchResult;
        s.dyeingAndSketch = Standard->CheckBox1->isChecked();
        for (QPushButton* b : {Standard->SpeedButton2, Standard->SpeedButton3, Standard->SpeedButton7,
                               Standard->SpeedButton8, Standard->SpeedButton10})
            s.enabled << b->isEnabledTo(Standard);
        s.dyeing = MainForm->DyeingMode;
        s.spotClear = MainForm->SpotClearMode;
        s.fullSize = MainForm->FullSizeMode;
        for (QToolButton* b : {MainForm->SpeedButton4, MainForm->SpeedButton8, MainForm->SpeedButton9})
            s.toolButtons << b->isChecked();
        s.image1Hint = MainForm->Image1->toolTip();
        s.image2Hint = MainForm->Image2->toolTip();
        const TCropSelection* crop = MainForm->CropSelection;
        s.cut = crop->CutRect;
        s.inside = crop->InsideCutRect;
        s.canStart = crop->CanStartRect;
        s.marching = MainForm->Timer1->isActive();
        s.image1Geometry = MainForm->Image1->geometry();
        s.image2Geometry = MainForm->Image2->geometry();
        s.displayScale = MainForm->DisplayScale;
        return s;
    }
};

// Field by field, so a failure names the field.
#define COMPARE_SNAPSHOTS(actual, expected)                                   \
    do {                                                                     \
        const WorkspaceSnapshot& a_ = (actual);                              \
        const WorkspaceSnapshot& e_ = (expected);                            \
        QVERIFY2(a_.image1 == e_.image1, "Image1");                          \
        QVERIFY2(a_.image2 == e_.image2, "Image2");                          \
        QVERIFY2(a_.colour == e_.colour, "ColourLayer");                     \
        QVERIFY2(a_.line == e_.line, "LineLayer");                           \
        QVERIFY2(a_.palette == e_.palette, "PaletteBuffer");                 \
        QCOMPARE(a_.resultKind, e_.resultKind);                              \
        QCOMPARE(a_.levelStep, e_.levelStep);                                \
        QCOMPARE(a_.sketchResult, e_.sketchResult);                          \
        QCOMPARE(a_.dyeingAndSketch, e_.dyeingAndSketch);                    \
        QCOMPARE(a_.enabled, e_.enabled);                                    \
        QCOMPARE(a_.dyeing, e_.dyeing);                                      \
        QCOMPARE(a_.spotClear, e_.spotClear);                                \
        QCOMPARE(a_.fullSize, e_.fullSize);                                  \
        QCOMPARE(a_.toolButtons, e_.toolButtons);                            \
        QCOMPARE(a_.image1Hint, e_.image1Hint);                              \
        QCOMPARE(a_.image2Hint, e_.image2Hint);                              \
        QVERIFY2(a_.cut == e_.cut, "CutRect");                               \
        QCOMPARE(a_.inside, e_.inside);                                      \
        QCOMPARE(a_.canStart, e_.canStart);                                  \
        QCOMPARE(a_.marching, e_.marching);                                  \
        QCOMPARE(a_.image1Geometry, e_.image1Geometry);                      \
        QCOMPARE(a_.image2Geometry, e_.image2Geometry);                      \
        QCOMPARE(a_.displayScale, e_.displayScale);                          \
    } while (0)

// The user's actions, through the handlers the mouse and the buttons run.
namespace steps {

inline void Dye(QPoint at) {
    MainForm->SpeedButton4Click();
    MainForm->ResultTools->Image2MouseUp(Qt::LeftButton, at.x(), at.y());
}

inline void Brush(const QList<QPoint>& path) {
    MainForm->SpeedButton8Click();
    for (QPoint p : path) MainForm->ResultTools->Image2MouseMove(Qt::LeftButton, p.x(), p.y());
    MainForm->ResultTools->Image2MouseUp(Qt::LeftButton, path.back().x(), path.back().y());
}

// Drags a rectangle between two points of Image1 and leaves the outline marching.
inline void DrawCutRect(QPoint from, QPoint to) {
    TCropSelection* crop = MainForm->CropSelection;
    crop->Image1MouseMove(Qt::NoButton, from.x(), from.y());
    crop->Image1MouseDown(Qt::LeftButton, Qt::LeftButton, from.x(), from.y());
    crop->Image1MouseMove(Qt::LeftButton, to.x(), to.y());
    crop->Image1MouseUp(Qt::LeftButton, to.x(), to.y());
    const QPoint middle = (from + to) / 2;
    crop->Image1MouseMove(Qt::NoButton, middle.x(), middle.y());
}

inline void Cut(QPoint from, QPoint to) {
    DrawCutRect(from, to);
    MainForm->CropSelection->Image1DblClick();
}

}  // namespace steps
