// The tools on the result image with real mouse events: dyeing, the brush, the viewer.
#include "tests/ui/MainWindowFixture.h"
#include "cartoon/styles/ResultEdits.h"
#include "workspace/ViewForm_s.h"

#include <QtTest>

#include <memory>

using namespace brimlet;

namespace {

void Fill(TBitmap32& bmp, int x0, int y0, int x1, int y1, std::uint32_t bgra) {
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) StorePixel(bmp.ScanLine(y) + 4 * x, bgra);
}

std::uint32_t Colour(const TBitmap32& bmp, int x, int y) {
    return LoadPixel(bmp.ScanLine(y) + 4 * x) & 0xFFFFFF;
}

// 400 x 300: grey ground, two red squares far apart and one blue square.
TBitmap32 Cartoon() {
    TBitmap32 bmp(400, 300);
    Fill(bmp, 0, 0, 400, 300, 0xFF808080u);
    Fill(bmp, 20, 20, 100, 100, 0xFFFF0000u);
    Fill(bmp, 300, 200, 380, 280, 0xFFFF0000u);
    Fill(bmp, 200, 20, 260, 80, 0xFF0000FFu);
    return bmp;
}

// Ink everywhere but a paper border.
TBitmap32 Sketch() {
    TBitmap32 bmp(400, 300);
    Fill(bmp, 0, 0, 400, 300, 0x00FFFFFFu);
    Fill(bmp, 10, 10, 390, 290, 0xFF000000u);
    return bmp;
}

TBitmap32 Palette() {
    TBitmap32 bmp(400, 300);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x)
            StorePixel(bmp.ScanLine(y) + 4 * x, 0xFF000000u | (x << 8) | y);
    return bmp;
}

}  // namespace

class ResultToolsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestWindows> windows;
    TImage* image = nullptr;

    // The control point over picture point (x, y).
    QPoint At(int x, int y) const {
        return QPoint(int(std::lround(double(x) * image->width() / 400)),
                      int(std::lround(double(y) * image->height() / 300)));
    }

    // Layers as after a colour run (kind 1) or a sketch run (kind 2), with the box as given.
    void Prepare(int resultKind, bool dyeingAndSketch) {
        MainForm->ColourLayer = Cartoon();
        MainForm->LineLayer = Sketch();
        MainForm->PaletteBuffer = Palette();
        Standard->ResultKind = resultKind;
        Standard->CheckBox1->setChecked(dyeingAndSketch);  // shows by the rule
        MainForm->ShowResultByRule();
        QCOMPARE(image->Picture().Width(), 400);
    }

    TBitmap32 Expected() const {
        return ComposeShown(MainForm->ColourLayer, MainForm->LineLayer,
                            {Standard->CheckBox1->isChecked(), Standard->ResultKind});
    }

    void Click(QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mousePress(image, button, {}, at);
        QTest::mouseRelease(image, button, {}, at);
    }

private slots:
    void init() {
        windows = std::make_unique<TestWindows>();
        image = MainForm->Image2;
    }
    void cleanup() { windows.reset(); }

    void dyeingRecoloursOneRegionOrEveryRegionOfThatColour() {
        Prepare(1, false);
        MainForm->SpeedButton4Click();
        QVERIFY(MainForm->DyeingMode);
        // Blue occurs once: only that square changes, to the palette's colour there.
        const QPoint blue = At(230, 50);
        int px = 0, py = 0;
        ControlToPicture(blue.x(), blue.y(), 400, 300, image->width(), image->height(), px, py);
        const std::uint32_t newBlue = Colour(MainForm->PaletteBuffer, px, py);
        Click(blue);
        QCOMPARE(Colour(MainForm->ColourLayer, 200, 20), newBlue);
        QCOMPARE(Colour(MainForm->ColourLayer, 259, 79), newBlue);
        QCOMPARE(Colour(MainForm->ColourLayer, 50, 50), 0xFF0000u);
        QVERIFY(image->Picture() == Expected());
        // Red is shared by two squares: both change at once.
        Click(At(60, 60));
        const std::uint32_t newRed = Colour(MainForm->ColourLayer, 20, 20);
        QVERIFY(newRed != 0xFF0000u);
        QCOMPARE(Colour(MainForm->ColourLayer, 379, 279), newRed);
        QCOMPARE(Colour(MainForm->ColourLayer, 150, 150), 0x808080u);
        QVERIFY(image->Picture() == Expected());
        // The screen follows: the scaled copy of the far square shows the new colour.
        const QImage shot = image->grab().toImage();
        const QPoint far = At(340, 240);
        QCOMPARE(shot.pixel(far) & 0xFFFFFFu, newRed);
    }

    void dyeingWithTheBoxCheckedShowsTheSketchOverTheColours() {
        Prepare(2, true);  // after a sketch: only the box allows dyeing
        MainForm->SpeedButton4Click();
        Click(At(5, 5));  // grey ground, on the paper border
        QVERIFY(Colour(MainForm->ColourLayer, 150, 150) != 0x808080u);
        QVERIFY(image->Picture() == Expected());
        QCOMPARE(Colour(image->Picture(), 150, 150), 0x000000u);  // ink over the colour
        QCOMPARE(Colour(image->Picture(), 5, 5), Colour(MainForm->ColourLayer, 5, 5));
    }

    void guardsLeaveEverythingAlone() {
        // Dyeing after a sketch with the box unchecked; the right button; the brush after
        // a colour run; and any click or drag with the full-size tool.
        Prepare(2, false);
        const TBitmap32 colour = MainForm->ColourLayer, line = MainForm->LineLayer;
        MainForm->SpeedButton4Click();
        Click(At(60, 60));
        QVERIFY(MainForm->ColourLayer == colour);
        QVERIFY(image->Picture() == line);
        Prepare(1, false);
        MainForm->SpeedButton4Click();
        Click(At(60, 60), Qt::RightButton);
        MainForm->SpeedButton8Click();
        QTest::mousePress(image, Qt::LeftButton, {}, At(60, 60));
        QTest::mouseMove(image, At(70, 70));
        QTest::mouseRelease(image, Qt::LeftButton, {}, At(70, 70));
        QVERIFY(MainForm->ColourLayer == colour);
        QVERIFY(MainForm->LineLayer == line);
        MainForm->SpeedButton9Click();
        QTest::mousePress(image, Qt::LeftButton, {}, At(60, 60));
        QTest::mouseMove(image, At(70, 70));
        QTest::mouseRelease(image, Qt::LeftButton, {}, At(70, 70));
        QVERIFY(MainForm->ColourLayer == colour);
        QVERIFY(MainForm->LineLayer == line);
        QVERIFY(image->Picture() == ComposeShown(colour, line, {false, 1}));
    }

    void brushRadiusFollowsTheDisplayScale_data() {
        QTest::addColumn<double>("scale");
        QTest::addColumn<int>("radius");
        QTest::newRow("1") << 1.0 << 10;
        QTest::newRow("1.25") << 1.25 << 12;
        QTest::newRow("0.25") << 0.25 << 2;
    }
    void brushRadiusFollowsTheDisplayScale() {
        QFETCH(double, scale);
        QFETCH(int, radius);
        Prepare(2, false);
        MainForm->SpeedButton8Click();
        MainForm->DisplayScale = scale;
        const QPoint at(160, 120);
        QTest::mousePress(image, Qt::LeftButton, {}, QPoint(100, 100));
        QTest::mouseMove(image, at);
        QTest::mouseRelease(image, Qt::LeftButton, {}, at);
        const TBrushDab dab = BrushDabAt(at.x(), at.y(), scale);
        QCOMPARE(dab.r, radius);
        int across = 0, down = 0, cleared = 0;
        const TBitmap32& line = MainForm->LineLayer;
        for (int i = 0; i < 400; ++i)
            across += LoadPixel(line.ScanLine(dab.cy) + 4 * i) == 0x00FFFFFFu && i >= 10 && i < 390;
        for (int i = 10; i < 290; ++i)
            down += LoadPixel(line.ScanLine(i) + 4 * dab.cx) == 0x00FFFFFFu;
        for (int y = 10; y < 290; ++y)
            for (int x = 10; x < 390; ++x)
                cleared += LoadPixel(line.ScanLine(y) + 4 * x) == 0x00FFFFFFu;
        QCOMPARE(across, 2 * radius + 1);
        QCOMPARE(down, 2 * radius + 1);
        // One disc only: the press itself does not paint, and no pixel outside the disc.
        QVERIFY(cleared <= (2 * radius + 1) * (2 * radius + 1));
        QVERIFY(image->Picture() == Expected());
    }

    void brushStrokeLeavesADiscAtEveryMove() {
        Prepare(1, true);  // after a colour run: the box allows the brush
        MainForm->SpeedButton8Click();
        MainForm->DisplayScale = 1.0;
        QTest::mousePress(image, Qt::LeftButton, {}, QPoint(50, 50));
        QTest::mouseMove(image, QPoint(60, 50));
        QTest::mouseMove(image, QPoint(120, 50));
        QTest::mouseRelease(image, Qt::LeftButton, {}, QPoint(120, 50));
        const TBitmap32& line = MainForm->LineLayer;
        QCOMPARE(LoadPixel(line.ScanLine(50) + 4 * 60), 0x00FFFFFFu);
        QCOMPARE(LoadPixel(line.ScanLine(50) + 4 * 120), 0x00FFFFFFu);
        QCOMPARE(LoadPixel(line.ScanLine(50) + 4 * 90), 0xFF000000u);  // no interpolation
        QVERIFY(image->Picture() == Expected());
    }

    void doubleClickOpensTheViewerOnlyWithTheFullSizeTool() {
        Prepare(1, false);
        QVERIFY(MainForm->FullSizeMode);
        TViewForm viewer(MainForm);
        MainForm->SpeedButton4Click();
        QTest::mouseDClick(image, Qt::LeftButton, {}, At(60, 60));
        QTest::mouseRelease(image, Qt::LeftButton, {}, At(60, 60));
        QVERIFY(!viewer.isVisible());
        MainForm->SpeedButton8Click();
        QTest::mouseDClick(image, Qt::LeftButton, {}, At(60, 60));
        QTest::mouseRelease(image, Qt::LeftButton, {}, At(60, 60));
        QVERIFY(!viewer.isVisible());
        MainForm->SpeedButton9Click();
        QTest::mouseDClick(image, Qt::LeftButton, {}, At(60, 60));
        QTest::mouseRelease(image, Qt::LeftButton, {}, At(60, 60));
        QVERIFY(viewer.isVisible());
        QVERIFY(viewer.Image1->Picture() == image->Picture());
    }
};

QTEST_MAIN(ResultToolsTest)
#include "ResultToolsTest.moc"
