// Esc as a desktop user expects it: it cancels a crop rectangle being dragged, leaving the
// previous rectangle and its outline as they were, and closes the secondary windows.
#include "tests/ui/MainWindowFixture.h"
#include "printing/Print_Setup_s.h"
#include "workspace/About_Us_s.h"
#include "workspace/CropOverlay.h"
#include "workspace/ResultTools.h"
#include "workspace/CropSelection.h"
#include "workspace/ViewForm_s.h"
#include "workspace/Workspace.h"

#include <QTimer>
#include <QtTest>

#include <memory>

using namespace brimlet;

namespace {
// Where the outline lies; its dash colours move on with every timer tick.
std::vector<QPoint> Positions(const std::vector<TDashPixel>& pixels) {
    std::vector<QPoint> points;
    for (const TDashPixel& p : pixels) points.emplace_back(p.x, p.y);
    return points;
}
}  // namespace

class EscapeKeyTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestWindows> windows;

    static void PressEscapeIn(QWidget* window) {
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::keyClick(window, Qt::Key_Escape);
    }

    static void Drag(TImage* image, QPoint from, QPoint to) {
        QTest::mouseMove(image, QPoint(2, 2));
        QTest::mousePress(image, Qt::LeftButton, {}, from);
        QTest::mouseMove(image, to);
        QTest::mouseRelease(image, Qt::LeftButton, {}, to);
    }

private slots:
    void init() {
        windows = std::make_unique<TestWindows>();
        ViewForm = new TViewForm(MainForm);
        Print_Setup = new TPrint_Setup(MainForm);
        Print_Setup->SetResultSource(
            []() -> const TBitmap32& { return MainForm->Image2->Picture(); });
    }
    void cleanup() {
        windows.reset();
        Print_Setup = nullptr;
    }

    void escapeCancelsADragAndKeepsTheEarlierRectangle() {
        TCropSelection* crop = MainForm->CropSelection;
        TImage* image = MainForm->Image1;
        Drag(image, QPoint(20, 20), QPoint(120, 90));
        const TCutRect earlier = crop->CutRect;
        QVERIFY(MainForm->Timer1->isActive());
        const auto outline = Positions(crop->Overlay->Pixels());
        QVERIFY(!outline.empty());

        QTest::mouseMove(image, QPoint(200, 200));  // outside the rectangle
        QTest::mousePress(image, Qt::LeftButton, {}, QPoint(200, 200));
        QTest::mouseMove(image, QPoint(250, 240));
        QVERIFY(crop->CutRect != earlier);
        PressEscapeIn(MainForm);
        QCOMPARE(crop->CutRect, earlier);
        QVERIFY(Positions(crop->Overlay->Pixels()) == outline);
        QCOMPARE(QWidget::mouseGrabber(), nullptr);

        // The rest of the cancelled drag changes nothing; the outline keeps marching.
        QTest::mouseMove(image, QPoint(260, 250));
        QTest::mouseRelease(image, Qt::LeftButton, {}, QPoint(260, 250));
        QCOMPARE(crop->CutRect, earlier);
        QVERIFY(MainForm->Timer1->isActive());

        // The earlier rectangle still cuts.
        QTest::mouseMove(image, QPoint(60, 50));
        QVERIFY(crop->InsideCutRect);
        QTest::mouseDClick(image, Qt::LeftButton, {}, QPoint(60, 50));
        QCOMPARE(crop->CutRect, TCutRect{});
    }

    void escapeClosesTheViewerAndTheAboutWindow() {
        MainForm->SelectFullSizeTool();
        MainForm->ResultTools->Image2DblClick();
        QVERIFY(QTest::qWaitForWindowExposed(ViewForm));
        PressEscapeIn(ViewForm);
        QVERIFY(!ViewForm->isVisible());

        auto about = std::make_unique<TAbout_Us>(MainForm);
        about->show();
        QVERIFY(QTest::qWaitForWindowExposed(about.get()));
        PressEscapeIn(about.get());
        QVERIFY(!about->isVisible());
        QVERIFY(MainForm->isVisible());
    }

    void escapeInAnEditOfThePrintSetUpClosesIt() {
        MainForm->SpeedButton3Click();
        QVERIFY(QTest::qWaitForWindowExposed(Print_Setup));
        auto* edit = Print_Setup->findChild<QWidget*>(QStringLiteral("Edit3"));
        QVERIFY(edit);
        Print_Setup->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Print_Setup));
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Escape);
        QVERIFY(!Print_Setup->isVisible());
    }
};

QTEST_MAIN(EscapeKeyTest)
#include "EscapeKeyTest.moc"
