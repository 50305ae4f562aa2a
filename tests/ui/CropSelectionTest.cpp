// Cutting a rectangle out of the source picture with real mouse events on Image1.
#include "tests/ui/MainWindowFixture.h"
#include "workspace/CropOverlay.h"
#include "workspace/CropSelection.h"

#include <QTimer>
#include <QtTest>

#include <memory>
#include <stdexcept>

using namespace brimlet;

namespace {

// B = x, G = y, R = x + y (all mod 256), so every pixel tells where it came from.
TBitmap32 Coordinates(int w, int h) {
    TBitmap32 bmp(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = bmp.ScanLine(y) + 4 * x;
            p[kB] = std::uint8_t(x);
            p[kG] = std::uint8_t(y);
            p[kR] = std::uint8_t(x + y);
            p[kA] = 255;
        }
    return bmp;
}

bool SameColour(const TBitmap32& a, int ax, int ay, const TBitmap32& b, int bx, int by) {
    return (LoadPixel(a.ScanLine(ay) + 4 * ax) & 0xFFFFFF) ==
           (LoadPixel(b.ScanLine(by) + 4 * bx) & 0xFFFFFF);
}

}  // namespace

class CropSelectionTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestWindows> windows;
    TCropSelection* crop = nullptr;
    TImage* image = nullptr;

    // The 724 x 544 picture in an Image1 362 wide (ratio 2) at (1, 2) of the host panel.
    void ShowDoubleSizePicture() {
        MainForm->Image1->SetPicture(Coordinates(724, 544));
        MainForm->Image1->setGeometry(1, 2, 362, 272);
    }

    void Drag(QPoint from, QPoint to) {
        QTest::mouseMove(image, QPoint(5, 5));  // hover outside any rectangle first
        QTest::mousePress(image, Qt::LeftButton, {}, from);
        QTest::mouseMove(image, (from + to) / 2);
        QTest::mouseMove(image, to);
        QTest::mouseRelease(image, Qt::LeftButton, {}, to);
    }

    // What the platform delivers for a double-click: press, release, double-click, release.
    void DoubleClick(QPoint at) {
        QTest::mouseClick(image, Qt::LeftButton, {}, at);
        QTest::mouseDClick(image, Qt::LeftButton, {}, at);
        QTest::mouseRelease(image, Qt::LeftButton, {}, at);
    }

    void ExpectTellingCut() {
        const TBitmap32& cut = MainForm->Image1->Picture();
        QCOMPARE(cut.Width(), 101);
        QCOMPARE(cut.Height(), 51);
        const TBitmap32 source = Coordinates(724, 544);
        for (int y = 0; y < 51; ++y)
            for (int x = 0; x < 101; ++x) QVERIFY(SameColour(cut, x, y, source, 19 + x, 39 + y));
        QVERIFY(MainForm->Image2->Picture() == cut);
        QVERIFY(MainForm->ColourLayer == cut);
        QVERIFY(MainForm->LineLayer == cut);
        QVERIFY(MainForm->PaletteBuffer == cut);
        QCOMPARE(crop->CutRect, TCutRect{});
        QVERIFY(!crop->InsideCutRect);
        QVERIFY(!MainForm->Timer1->isActive());
        QCOMPARE(image->toolTip(), QString("Please draw a rectangle to cut."));
        // Both pictures are fitted again and the display scale follows the result.
        QCOMPARE(MainForm->DisplayScale, 101.0 / MainForm->Image2->width());
    }

private slots:
    void init() {
        windows = std::make_unique<TestWindows>();
        crop = MainForm->CropSelection;
        image = MainForm->Image1;
        QVERIFY(crop);
    }
    void cleanup() { windows.reset(); }

    void dragThenDoubleClickCutsTheRectangle() {
        ShowDoubleSizePicture();
        Drag(QPoint(10, 20), QPoint(60, 45));
        QCOMPARE(crop->CutRect, (TCutRect{11, 22, 61, 47}));
        QVERIFY(MainForm->Timer1->isActive());
        // Hovering inside tells the user to double-click.
        QTest::mouseMove(image, QPoint(30, 30));
        QVERIFY(crop->InsideCutRect);
        QCOMPARE(image->toolTip(), QString("Please Double-Click to cut out the picture."));
        QCOMPARE(image->cursor().shape(), Qt::SizeAllCursor);
        // A result made before the cut is gone afterwards.
        MainForm->ColourLayer = TBitmap32(5, 5);
        DoubleClick(QPoint(30, 30));
        ExpectTellingCut();
    }

    void rectangleDraggedUpAndLeftCutsTheSame() {
        ShowDoubleSizePicture();
        Drag(QPoint(60, 45), QPoint(10, 20));
        QCOMPARE(crop->CutRect, (TCutRect{61, 47, 11, 22}));
        QTest::mouseMove(image, QPoint(30, 30));
        DoubleClick(QPoint(30, 30));
        ExpectTellingCut();
    }

    void clickWithoutDragLeavesAnEmptyRectangle() {
        ShowDoubleSizePicture();
        const TBitmap32 before = image->Picture();
        Drag(QPoint(40, 40), QPoint(40, 40));
        QCOMPARE(crop->CutRect, (TCutRect{41, 42, 41, 42}));
        QVERIFY(MainForm->Timer1->isActive());
        QVERIFY(crop->Overlay->Pixels().empty());
        QTest::mouseMove(image, QPoint(40, 40));
        QVERIFY(!crop->InsideCutRect);
        QVERIFY(crop->CanStartRect);
        // A double-click there cuts nothing.
        DoubleClick(QPoint(40, 40));
        QVERIFY(image->Picture() == before);
    }

    void pressInsideKeepsTheRectangleAndPressOutsideStartsANewOne() {
        ShowDoubleSizePicture();
        Drag(QPoint(10, 20), QPoint(60, 45));
        QTest::mouseMove(image, QPoint(30, 30));
        QTest::mousePress(image, Qt::LeftButton, {}, QPoint(30, 30));
        QTest::mouseMove(image, QPoint(100, 100));
        QTest::mouseRelease(image, Qt::LeftButton, {}, QPoint(100, 100));
        QCOMPARE(crop->CutRect, (TCutRect{11, 22, 61, 47}));
        QTest::mouseMove(image, QPoint(200, 200));
        QTest::mousePress(image, Qt::LeftButton, {}, QPoint(200, 200));
        QCOMPARE(crop->CutRect, (TCutRect{201, 202, 201, 202}));
        QVERIFY(crop->Overlay->Pixels().empty());  // the old outline is removed
        QTest::mouseRelease(image, Qt::LeftButton, {}, QPoint(200, 200));
    }

    void pointerIsHeldInsideTheImageDuringTheDrag() {
        ShowDoubleSizePicture();
        QTest::mouseMove(image, QPoint(5, 5));
        QTest::mousePress(image, Qt::LeftButton, {}, QPoint(100, 100));
        QCOMPARE(QWidget::mouseGrabber(), image);
        QTest::mouseMove(image, QPoint(-40, 5000));
        QCOMPARE(crop->CutRect, (TCutRect{101, 102, 1, 2 + 271}));
        QTest::mouseMove(image, QPoint(900, -3));
        QCOMPARE(crop->CutRect, (TCutRect{101, 102, 1 + 361, 2}));
        QTest::mouseRelease(image, Qt::LeftButton, {}, QPoint(900, -3));
        QVERIFY(QWidget::mouseGrabber() != image);
        // The rectangle never leaves the picture, so the cut stays inside it.
        QTest::mouseMove(image, QPoint(200, 50));
        DoubleClick(QPoint(200, 50));
        QCOMPARE(image->Picture().Width(), 2 * 361 - 200 + 1);
        QCOMPARE(image->Picture().Height(), 200 + 1);
    }

    void cutTooLargeToHoldChangesNothing() {
        // A wide picture in an image shrunk to 20 pixels, with a rectangle left far outside
        // it: the cut would be hundreds of thousands of pixels wide.
        MainForm->Image1->SetPicture(Coordinates(32768, 2));
        image->setGeometry(1, 2, 20, 1);
        crop->CutRect = TCutRect{1, 2, 300, 40};
        crop->InsideCutRect = true;
        crop->DrawTheRect1();
        MainForm->Timer1->start();
        const TBitmap32 before = image->Picture();
        QVERIFY_THROWS_EXCEPTION(std::length_error, crop->Image1DblClick());
        QVERIFY(image->Picture() == before);
        QCOMPARE(crop->CutRect, (TCutRect{1, 2, 300, 40}));
        QVERIFY(MainForm->Timer1->isActive());
        QVERIFY(!crop->Overlay->Pixels().empty());  // the outline still marches
    }

    void outlineMarchesOverThePictureWithoutTouchingIt() {
        ShowDoubleSizePicture();
        const TBitmap32 before = image->Picture();
        Drag(QPoint(10, 20), QPoint(60, 45));
        QCOMPARE(int(crop->Overlay->Pixels().size()), 2 * (50 + 25));
        // Ticks move the phase 128, 32, 8, 2 and redraw with it.
        QList<int> phases;
        for (int i = 0; i < 5; ++i) {
            crop->Timer1Timer();
            phases << crop->DashPhase;
            QVERIFY(crop->Overlay->Pixels() == DashOutline(crop->CutRect, crop->DashPhase));
        }
        QCOMPARE(phases, (QList<int>{128, 32, 8, 2, 128}));
        // On the screen: the dashes along the top edge, starting at the anchor corner, five
        // black then three white; a full repaint shows them again.
        for (int pass = 0; pass < 2; ++pass) {
            const QImage shot = MainForm->SourceHostPanel->grab().toImage();
            QString seen;
            for (int x = 11; x < 27; ++x) seen += qGray(shot.pixel(x, 22)) < 128 ? 'B' : 'W';
            QCOMPARE(seen, QString("BBBBBWWWBBBBBWWW"));
            MainForm->SourceHostPanel->repaint();
        }
        QVERIFY(image->Picture() == before);
        // The timer drives the same ticks.
        const int phase = crop->DashPhase;
        QTRY_VERIFY_WITH_TIMEOUT(crop->DashPhase != phase, 1000);
    }
};

QTEST_MAIN(CropSelectionTest)
#include "CropSelectionTest.moc"
