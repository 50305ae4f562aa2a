// The full-size viewer: window placement and size, centring, drag-to-scroll.
#include "workspace/ViewForm_s.h"

#include <QScrollBar>
#include <QtTest/QtTest>

using namespace brimlet;

namespace {

TBitmap32 Picture(int w, int h) {
    TBitmap32 bmp(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            StorePixel(bmp.ScanLine(y) + 4 * x, 0xFF000000u | (x * 7 + y * 13));
    return bmp;
}

}  // namespace

class ViewFormTest : public QObject {
    Q_OBJECT
private slots:
    void smallPictureFitsItsWindowWithoutScrollBars() {
        TViewForm form;
        form.OverrideScreenSize(QSize(1024, 768));
        form.OpenOn(Picture(200, 150));
        QVERIFY(form.isVisible());
        QCOMPARE(form.WindowSize(), QSize(210, 185));
        QCOMPARE(form.frameGeometry().topLeft(), QPoint(30, 30));
        QCOMPARE(form.Image1->geometry(), QRect(0, 0, 200, 150));
        QVERIFY(!form.ScrollBox->horizontalScrollBar()->isVisible());
        QVERIFY(!form.ScrollBox->verticalScrollBar()->isVisible());
        QCOMPARE(form.windowTitle(), QString("FullSize"));
    }

    void largePictureIsLimitedByTheScreenAndScrolls() {
        TViewForm form;
        form.OverrideScreenSize(QSize(1024, 768));
        form.OpenOn(Picture(3000, 2000));
        QCOMPARE(form.WindowSize(), QSize(974, 668));
        QScrollBar* h = form.ScrollBox->horizontalScrollBar();
        QScrollBar* v = form.ScrollBox->verticalScrollBar();
        QVERIFY(h->isVisible() && v->isVisible());
        QCOMPARE(h->value(), 0);
        QCOMPARE(v->value(), 0);
        QCOMPARE(h->maximum(), 3000 - form.ScrollBox->viewport()->width());
        QCOMPARE(form.Image1->pos(), QPoint(0, 0));

        // Dragging the picture left by 100 scrolls 100 to the right; the grabbed point
        // stays under the pointer, so moving on continues from there.
        QTest::mousePress(form.Image1, Qt::LeftButton, {}, QPoint(500, 300));
        QVERIFY(form.Dragging);
        QTest::mouseMove(form.Image1, QPoint(400, 300));
        QCOMPARE(h->value(), 100);
        QCOMPARE(v->value(), 0);
        QCOMPARE(form.Image1->mapTo(form.ScrollBox->viewport(), QPoint(500, 300)),
                 QPoint(400, 300));
        QTest::mouseMove(form.Image1, QPoint(500, 250));  // pointer at viewport (400, 250)
        QCOMPARE(h->value(), 100);
        QCOMPARE(v->value(), 50);
        QTest::mouseRelease(form.Image1, Qt::LeftButton, {}, QPoint(500, 250));
        QVERIFY(!form.Dragging);

        // Scrolling stops at the ends of the range.
        form.Image1MouseDown(Qt::LeftButton, Qt::LeftButton, 10, 10);
        form.Image1MouseMove(Qt::LeftButton, -100000, 100000);
        QCOMPARE(h->value(), h->maximum());
        QCOMPARE(v->value(), 0);
        // Without the left button held nothing scrolls.
        form.Image1MouseMove(Qt::NoButton, 0, 0);
        QCOMPARE(h->value(), h->maximum());
        form.Image1MouseUp(Qt::RightButton, 0, 0);
        form.Image1MouseMove(Qt::LeftButton, 100000, 0);
        QCOMPARE(h->value(), h->maximum());
    }

    void rightButtonDoesNotStartADrag() {
        TViewForm form;
        form.OverrideScreenSize(QSize(1024, 768));
        form.OpenOn(Picture(3000, 2000));
        QTest::mousePress(form.Image1, Qt::RightButton, {}, QPoint(500, 300));
        QVERIFY(!form.Dragging);
    }

    void enlargingCentresASmallPicture() {
        TViewForm form;
        form.OverrideScreenSize(QSize(1024, 768));
        form.OpenOn(Picture(200, 150));
        form.SetWindowSize(600, 500);
        QTRY_COMPARE(form.WindowSize(), QSize(600, 500));
        QCOMPARE(form.Image1->pos(), QPoint(200, 175));
        QVERIFY(!form.ScrollBox->horizontalScrollBar()->isVisible());
        // Shrinking below the picture puts it back at the top-left corner with scrolling.
        form.SetWindowSize(150, 120);
        QTRY_COMPARE(form.WindowSize(), QSize(150, 120));
        QCOMPARE(form.Image1->pos(), QPoint(0, 0));
        QVERIFY(form.ScrollBox->horizontalScrollBar()->maximum() > 0);
        QTRY_VERIFY(form.ScrollBox->horizontalScrollBar()->isVisible());
    }

    void reopeningTakesANewCopyAndPlacesAnew() {
        TViewForm form;
        form.OverrideScreenSize(QSize(1024, 768));
        TBitmap32 picture = Picture(300, 200);
        form.OpenOn(picture);
        form.SetWindowSize(800, 700);
        StorePixel(picture.ScanLine(0), 0xFF123456u);
        QVERIFY(LoadPixel(form.Image1->Picture().ScanLine(0)) != 0xFF123456u);  // a copy
        form.OpenOn(Picture(40, 30));
        QCOMPARE(form.WindowSize(), QSize(50, 65));
        QCOMPARE(form.Image1->size(), QSize(40, 30));
        // Shown picture: painted 1:1 from the copy.
        const QImage shot = form.Image1->grab().toImage();
        QCOMPARE(shot.size(), QSize(40, 30));
        QCOMPARE(shot.pixel(5, 3) & 0xFFFFFFu, (5u * 7 + 3u * 13) & 0xFFFFFFu);
    }
};

QTEST_MAIN(ViewFormTest)
#include "ViewFormTest.moc"
