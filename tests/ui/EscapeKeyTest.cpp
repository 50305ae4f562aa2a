// Esc as a desktop user expects it: it cancels a crop rectangle being dragged, leaving the
// previous rectangle and its outline as they were, and closes the secondary windows.
#include "tests/ui/MainWindowFixture.h"
#include "printing/Print_Setup_s.h"
#include "workspace/CropOverlay.h"
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

    void escapeOnTheFirstDragLeavesNoOutline() {
        TCropSelection* crop = MainForm->CropSelection;
        TImage* image = MainForm->Image1;
        QTest::mouseMove(image, QPoint(2, 2));
        QTest::mousePress(image, Qt::LeftButton, {}, QPoint(30, 30));
        QTest::mouseMove(image, QPoint(90, 80));
        QVERIFY(!crop->Overlay->Pixels().empty());
        PressEscapeIn(MainForm);
        QCOMPARE(crop->CutRect, TCutRect{});
        QVERIFY(crop->Overlay->Pixels().empty());
        QTest::mouseRelease(image, Qt::LeftButton, {}, QPoint(90, 80));
        QVERIFY(!MainForm->Timer1->isActive());
        // Esc with no drag going on is left alone: the next drag works as ever.
        PressEscapeIn(MainForm);
        Drag(image, QPoint(30, 30), QPoint(90, 80));
        QVERIFY(MainForm->Timer1->isActive());
        QVERIFY(crop->CutRect != TCutRect{});
    }

    void escapeClosesEachSecondaryWindow() {
        QWidget* windowsToClose[] = {ViewForm, About_Us, Print_Setup};
        ViewForm->OpenOn(MainForm->Image2->Picture());
        About_Us->show();
        MainForm->SpeedButton3Click();
        for (QWidget* window : windowsToClose) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            PressEscapeIn(window);
            QVERIFY2(!window->isVisible(), qPrintable(window->objectName()));
            QVERIFY(window->parent() == MainForm);  // hidden, not destroyed
        }
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
