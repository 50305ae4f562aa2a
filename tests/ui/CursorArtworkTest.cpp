// The three pointers drawn for a screen of device pixel ratio 2: twice the device pixels,
// the same shape, and inked at the same (logical) hot spot as at ratio 1.
#include "workspace/Cursors.h"

#include <QtTest>

#include <cmath>

using namespace brimlet;

namespace {

QImage Alpha(const QPixmap& pm) { return pm.toImage().convertToFormat(QImage::Format_ARGB32); }

// Mean difference of alpha between the ratio-1 artwork and the ratio-2 artwork averaged over
// each 2 x 2 block, in alpha levels.
double MeanAlphaDifference(const QImage& one, const QImage& two) {
    double sum = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            int a2 = 0;
            for (int k = 0; k < 4; ++k) a2 += qAlpha(two.pixel(2 * x + k % 2, 2 * y + k / 2));
            sum += std::abs(qAlpha(one.pixel(x, y)) - a2 / 4.0);
        }
    return sum / (32 * 32);
}

}  // namespace

class CursorArtworkTest : public QObject {
    Q_OBJECT
private slots:
    void ratioTwoArtworkIsTheSameShapeAtTwiceTheResolution() {
        for (int slot : {int(crEyedrop), int(crFullSize), int(crYuan)}) {
            const QPixmap one = CursorArtwork(slot, 1), two = CursorArtwork(slot, 2);
            QCOMPARE(one.size(), QSize(32, 32));
            QCOMPARE(two.size(), QSize(64, 64));
            QCOMPARE(two.devicePixelRatio(), 2.0);
            const QImage a1 = Alpha(one), a2 = Alpha(two);
            // Artwork drawn at the wrong scale lands in a quarter of the picture or spills off it.
            QVERIFY2(MeanAlphaDifference(a1, a2) < 20.0, qPrintable(QString::number(slot)));

            // The hot spot lies on the drawing at both resolutions.
            const QPoint hot = CursorHotSpot(slot);
            QVERIFY(qAlpha(a1.pixel(hot)) > 0);
            int inked = 0;
            for (int k = 0; k < 4; ++k) inked += qAlpha(a2.pixel(2 * hot.x() + k % 2, 2 * hot.y() + k / 2)) > 0;
            QVERIFY2(inked > 0, qPrintable(QString::number(slot)));
        }
        QVERIFY(CursorArtwork(99, 2).isNull());
    }

    void ratioChosenFromTheScreen() {
        QCOMPARE(CursorArtworkRatio(1.0), 1);
        QCOMPARE(CursorArtworkRatio(1.5), 2);
        QCOMPARE(CursorArtworkRatio(2.0), 2);
    }

    void aLoadedSlotKeepsItsHotSpot() {
        QCOMPARE(SlotCursor(crYuan).shape(), Qt::ArrowCursor);
        for (int slot : {int(crEyedrop), int(crFullSize), int(crYuan)}) {
            LoadCursorSlot(slot);
            const QCursor cursor = SlotCursor(slot);
            QCOMPARE(cursor.shape(), Qt::BitmapCursor);
            QCOMPARE(cursor.hotSpot(), CursorHotSpot(slot));
        }
    }
};

QTEST_MAIN(CursorArtworkTest)
#include "CursorArtworkTest.moc"
