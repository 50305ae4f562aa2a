// The crop's arithmetic without any window: dash walk, corner order, cut bounds and copy.
#include "workspace/CropGeometry.h"

#include <QtTest/QtTest>

#include <random>
#include <set>

using namespace brimlet;

namespace {

// Each pixel remembers where it came from: B = x, G = y, R = x + y, A = 7.
TBitmap32 Coordinates(int w, int h) {
    TBitmap32 bmp(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = bmp.ScanLine(y) + 4 * x;
            p[kB] = std::uint8_t(x);
            p[kG] = std::uint8_t(y);
            p[kR] = std::uint8_t(x + y);
            p[kA] = std::uint8_t(x * 3 + y);
        }
    return bmp;
}

QString Colours(const std::vector<TDashPixel>& pixels, std::size_t count) {
    QString s;
    for (std::size_t i = 0; i < count && i < pixels.size(); ++i) s += pixels[i].white ? 'W' : 'B';
    return s;
}

}  // namespace

class CropGeometryTest : public QObject {
    Q_OBJECT
private slots:
    void dashPatternStartsByPhase() {
        const TCutRect r{10, 10, 40, 30};
        QCOMPARE(Colours(DashOutline(r, 0), 16), QString("BBBBBWWWBBBBBWWW"));
        QCOMPARE(Colours(DashOutline(r, 128), 16), QString("BBBBBWWWBBBBBWWW"));
        QCOMPARE(Colours(DashOutline(r, 32), 10), QString("WWBBBBBWWW"));
        // Each tick moves the pattern two pixels along the path.
        const auto a = DashOutline(r, 128), b = DashOutline(r, 32);
        for (std::size_t i = 0; i + 2 < a.size(); ++i) QCOMPARE(b[i + 2].white, a[i].white);
    }

    void phaseCyclesEveryFourTicks() {
        std::uint8_t phase = 0;
        QList<int> seen;
        for (int i = 0; i < 6; ++i) seen << (phase = NextDashPhase(phase));
        QCOMPARE(seen, (QList<int>{128, 32, 8, 2, 128, 32}));
    }

    void outlineVisitsEveryBorderPixelOnceWhicheverWayDragged() {
        for (TCutRect r :
             {TCutRect{5, 7, 25, 19}, TCutRect{25, 19, 5, 7}, TCutRect{25, 7, 5, 19}}) {
            const auto pixels = DashOutline(r, 0);
            const TCorners c = NormalizeRect(r);
            QCOMPARE(int(pixels.size()), 2 * ((c.right - c.left) + (c.bottom - c.top)));
            std::set<std::pair<int, int>> distinct;
            for (const auto& p : pixels) {
                distinct.insert({p.x, p.y});
                const bool onBorder =
                    p.x == c.left || p.x == c.right || p.y == c.top || p.y == c.bottom;
                QVERIFY(onBorder && p.x >= c.left && p.x <= c.right && p.y >= c.top &&
                        p.y <= c.bottom);
            }
            QCOMPARE(distinct.size(), pixels.size());
            // The path starts at the anchor corner.
            QCOMPARE(pixels.front().x, r.X1);
            QCOMPARE(pixels.front().y, r.Y1);
        }
        // A click without a drag draws nothing and contains nothing.
        const TCutRect dot{12, 12, 12, 12};
        QVERIFY(DashOutline(dot, 0).empty());
        QVERIFY(!StrictlyInside(dot, 12, 12));
    }

    void insideIsStrict() {
        const TCutRect r{30, 20, 10, 40};  // dragged up-right
        QVERIFY(StrictlyInside(r, 11, 21));
        QVERIFY(StrictlyInside(r, 29, 39));
        QVERIFY(!StrictlyInside(r, 10, 30));
        QVERIFY(!StrictlyInside(r, 20, 40));
        QVERIFY(!StrictlyInside(r, 31, 30));
    }

    void cutOfTheDoubleSizePicture() {
        // 724 x 544 shown 362 wide at (1, 2) inside the host panel; image points
        // (10, 20) and (60, 45).
        const TBitmap32 picture = Coordinates(724, 544);
        const int imageLeft = 1, imageTop = 2;
        for (TCutRect r : {TCutRect{11, 22, 61, 47}, TCutRect{61, 47, 11, 22}}) {
            TCutBounds b;
            QVERIFY(CutBoundsFor(r, imageLeft, imageTop, 724, 362, b));
            QCOMPARE(b, (TCutBounds{20, 40, 120, 90}));
            const TBitmap32 cut = CutPicture(picture, b);
            QCOMPARE(cut.Width(), 101);
            QCOMPARE(cut.Height(), 51);
            for (int y = 0; y < 51; ++y)
                for (int x = 0; x < 101; ++x) {
                    const std::uint8_t* p = cut.ScanLine(y) + 4 * x;
                    const std::uint8_t* s = picture.ScanLine(39 + y) + 4 * (19 + x);
                    const std::uint8_t* kept = picture.ScanLine(y) + 4 * x;
                    QVERIFY(p[kB] == s[kB] && p[kG] == s[kG] && p[kR] == s[kR]);
                    QCOMPARE(p[kA], kept[kA]);  // alpha is not copied
                }
        }
        TCutBounds none;
        QVERIFY(!CutBoundsFor(TCutRect{0, 0, 5, 5}, 0, 0, 724, 0, none));
    }

    void cutRoundsHalvesToEven() {
        // Ratio 1.5: 1 -> 1.5 -> 2, 3 -> 4.5 -> 4, 5 -> 7.5 -> 8, 7 -> 10.5 -> 10.
        TCutBounds b;
        QVERIFY(CutBoundsFor(TCutRect{1, 3, 5, 7}, 0, 0, 300, 200, b));
        QCOMPARE(b, (TCutBounds{2, 4, 8, 10}));
    }

    void cutAtThePictureEdgeCopiesOneColumnAndRowFewer() {
        const TBitmap32 picture = Coordinates(20, 10);
        const TCutBounds b{0, 0, 5, 3};
        const TBitmap32 cut = CutPicture(picture, b);
        QCOMPARE(cut.Width(), 6);
        QCOMPARE(cut.Height(), 4);
        // Bounds counted from 1: left and top clamp to 1, so columns 0..4 land at 0..4
        // and column 5 of the cut keeps the resized copy's own pixel (source column 5).
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x)
                QCOMPARE(LoadPixel(cut.ScanLine(y) + 4 * x),
                         LoadPixel(picture.ScanLine(y) + 4 * x));
        // Rounding beyond the right edge clamps to the picture width.
        const TBitmap32 right = CutPicture(picture, TCutBounds{18, 2, 21, 4});
        QCOMPARE(right.Width(), 4);
        QCOMPARE(right.ScanLine(0)[kB], std::uint8_t(17));
        QCOMPARE(right.ScanLine(0)[4 * 2 + kB], std::uint8_t(19));
        QCOMPARE(right.ScanLine(0)[4 * 3 + kB], std::uint8_t(3));  // kept from the copy
    }

    void copyMatchesReference() {
        std::mt19937 rng(3);
        for (int trial = 0; trial < 300; ++trial) {
            const int w = 1 + int(rng() % 70), h = 1 + int(rng() % 50);
            TBitmap32 source(w, h);
            for (std::size_t i = 0; i < source.ByteCount(); ++i)
                source.Bits()[i] = std::uint8_t(rng());
            int left = int(rng() % (w + 3)) - 1, top = int(rng() % (h + 3)) - 1;
            int right = left + int(rng() % 30), bottom = top + int(rng() % 30);
            TBitmap32 fast = source, slow = source;
            fast.SetSize(right - left + 1, bottom - top + 1);
            slow.SetSize(right - left + 1, bottom - top + 1);
            QCOMPARE(CopyRectPixels(left, top, right, bottom, source, fast),
                     reference::CopyRectPixels(left, top, right, bottom, source, slow));
            QVERIFY(fast == slow);
        }
    }
};

QTEST_APPLESS_MAIN(CropGeometryTest)
#include "CropGeometryTest.moc"
