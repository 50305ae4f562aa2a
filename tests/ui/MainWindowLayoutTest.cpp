// Fitting pictures into panes, the display scale, the status bar's middle panel, the error
// box's text rule and the dialogs' filter lists.
#include "tests/ui/MainWindowFixture.h"
#include "workspace/Layout.h"

#include <QSplitter>
#include <QStatusBar>
#include <QtTest>

using brimlet::FitPicture;
using brimlet::PlacedRect;

class MainWindowLayoutTest : public QObject {
    Q_OBJECT
private slots:
    void fitting_data() {
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        QTest::addColumn<int>("pw");
        QTest::addColumn<int>("ph");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        // A wide picture fills the width minus 4 and is centred vertically.
        QTest::newRow("sample in start pane") << 362 << 272 << 364 << 384 << 2 << 55 << 360 << 270;
        // A tall picture fills the height minus 4 and is centred horizontally.
        QTest::newRow("tall") << 100 << 400 << 364 << 384 << 132 << 2 << 95 << 380;
        QTest::newRow("300 wide fills height") << 300 << 380 << 364 << 384 << 30 << 2 << 300 << 380;
        // Equal proportions count as "relatively wider": height decides.
        QTest::newRow("same aspect") << 200 << 100 << 404 << 202 << 2 << 2 << 396 << 198;
        // Round on halves goes to even: 3 * 197 / 2 = 295.5 -> 296, 5 * 197 / 2 = 492.5 -> 492.
        QTest::newRow("half up to even") << 3 << 2 << 1000 << 201 << 350 << 2 << 296 << 197;
        QTest::newRow("half down to even") << 5 << 2 << 1000 << 201 << 252 << 2 << 492 << 197;
        QTest::newRow("one pixel") << 1 << 1 << 10 << 10 << 0 << 2 << 6 << 6;
        QTest::newRow("huge into small") << 4000 << 3000 << 364 << 384 << 2 << 55 << 360 << 270;
    }
    void fitting() {
        QFETCH(int, w);
        QFETCH(int, h);
        QFETCH(int, pw);
        QFETCH(int, ph);
        QFETCH(int, left);
        QFETCH(int, top);
        QFETCH(int, width);
        QFETCH(int, height);
        const PlacedRect r = FitPicture(w, h, pw, ph);
        QCOMPARE(r.left, left);
        QCOMPARE(r.top, top);
        QCOMPARE(r.width, width);
        QCOMPARE(r.height, height);
    }

    void emptyPictureIsNotPlaced() {
        QCOMPARE(FitPicture(0, 10, 100, 100), PlacedRect{});
        QCOMPARE(FitPicture(10, 10, 100, 0), PlacedRect{});
    }

    void errorBoxTextRule() {
        using brimlet::ErrorBoxText;
        QCOMPARE(ErrorBoxText("'5-' is not a valid integer value"),
                 QString("'5-' is not a valid integer value."));
        QCOMPARE(ErrorBoxText("Done."), QString("Done."));
        // '-' and ',' sort below '.', '/' and digits above it.
        QCOMPARE(ErrorBoxText("a-"), QString("a-"));
        QCOMPARE(ErrorBoxText("a,"), QString("a,"));
        QCOMPARE(ErrorBoxText("a/"), QString("a/."));
        QCOMPARE(ErrorBoxText("code 7"), QString("code 7."));
        QCOMPARE(ErrorBoxText("(3)"), QString("(3)"));
        QCOMPARE(ErrorBoxText(""), QString(""));
        QCOMPARE(ErrorBoxText(QString::fromUtf8("Fläche ä")), QString::fromUtf8("Fläche ä."));
    }

    void filterLists() {
        const QStringList open = brimlet::NameFiltersFromList(brimlet::kOpenFilter);
        QCOMPARE(open, QStringList({"*.jpg (*.jpg)", "*.jpeg (*.jpeg)", "*.bmp (*.bmp)",
                                    "*.wmf (*.wmf)", "*.emf (*.emf)", "*.gif (*.gif)",
                                    "All files (*)"}));
        const QStringList save = brimlet::NameFiltersFromList(brimlet::kSaveFilter);
        QCOMPARE(save, QStringList({"*.jpg (*.jpg)", "*.bmp (*.bmp)", "*.wmf (*.wmf)"}));
    }

    // The window itself: start layout, display scale, the divider and the status bar.
    void startLayoutAndDivider() {
        TestWindows windows;
        TMainForm* f = MainForm;
        QCOMPARE(f->windowTitle(), QString("Brimlet v4.08"));
        QCOMPARE(f->ImgPanel1->width(), 364);
        QCOMPARE(f->ImgPanel1->height(), 384);
        QCOMPARE(f->SourceHostPanel->size(), f->ImgPanel1->size());
        QCOMPARE(f->Image1->geometry(), QRect(2, 55, 360, 270));
        QCOMPARE(f->Image2->width(), 360);
        QCOMPARE(f->DisplayScale, 362.0 / 360.0);
        QCOMPARE(f->StatusPanel[0]->text(), QString(" Original Photo"));
        QCOMPARE(f->StatusPanel[0]->width(), 100);
        QCOMPARE(f->StatusPanel[1]->width(), 277);
        QCOMPARE(f->StatusPanel[2]->text(), QString(" Cartoon Photo"));
        // At least its nominal 50 pixels, and wide enough for its whole text.
        QVERIFY(f->StatusPanel[2]->width() >= 50);
        QVERIFY(f->StatusPanel[2]->width() >= f->StatusPanel[2]->fontMetrics().horizontalAdvance(
                                                   f->StatusPanel[2]->text()));
        QCOMPARE(f->StatusBar1->height(), 19);
        QCOMPARE(f->Splitter1->handleWidth(), 12);

        // Dragging the divider so the source pane is 200 wide.
        f->Splitter1->setSizes({200, f->Splitter1->width() - 200 - 12});
        emit f->Splitter1->splitterMoved(200, 1);
        QCOMPARE(f->ImgPanel1->width(), 200);
        QCOMPARE(f->StatusPanel[1]->width(), 113);
        QCOMPARE(f->SourceHostPanel->size(), f->ImgPanel1->size());
        const PlacedRect r = FitPicture(362, 272, 200, f->ImgPanel1->height());
        QCOMPARE(f->Image1->geometry(), QRect(r.left, r.top, r.width, r.height));
        QCOMPARE(f->DisplayScale, 362.0 / f->Image2->width());

        // A window resize refits both pictures and the control bar follows the width.
        f->resize(f->width() + 100, f->height() + 50);
        QTRY_COMPARE(f->ControlBar1->width(), f->width() - 10);
        const PlacedRect r2 = FitPicture(362, 272, f->ImgPanel2->width(), f->ImgPanel2->height());
        QTRY_COMPARE(f->Image2->geometry(), QRect(r2.left, r2.top, r2.width, r2.height));
        QCOMPARE(f->ImgPanel1->width(), 200);  // the source pane keeps its width
    }
};

QTEST_MAIN(MainWindowLayoutTest)
#include "MainWindowLayoutTest.moc"
