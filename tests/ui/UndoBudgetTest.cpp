// The history's memory budget, and the compact records of the hand edits that keep it small.
#include "workspace/LayerPatches.h"
#include "workspace/UndoStack.h"

#include <QtTest>

#include <random>

using namespace brimlet;

namespace {

struct Sized : TUndoStep {
    explicit Sized(std::size_t n) : bytes(n) {}
    std::size_t Bytes() const override { return bytes; }
    std::size_t bytes;
};

std::unique_ptr<TUndoStep> Step(std::size_t bytes) { return std::make_unique<Sized>(bytes); }

TBitmap32 Random(int w, int h, unsigned seed) {
    TBitmap32 bmp(w, h);
    std::mt19937 rng(seed);
    for (std::size_t i = 0; i < bmp.ByteCount(); ++i) bmp.Bits()[i] = std::uint8_t(rng() % 4 * 85);
    return bmp;
}

}  // namespace

class UndoBudgetTest : public QObject {
    Q_OBJECT
private slots:
    void oldestStepsGoFirst() {
        TUndoStack stack(100);
        for (int i = 0; i < 4; ++i) QVERIFY(stack.Push("step " + std::to_string(i), Step(30)));
        // 120 bytes do not fit in 100: the first step went.
        QCOMPARE(stack.UndoCount(), std::size_t(3));
        QCOMPARE(stack.Bytes(), std::size_t(90));
        for (int i = 3; i >= 1; --i) {
            QCOMPARE(stack.UndoName(), "step " + std::to_string(i));
            stack.Undone();
        }
        QVERIFY(!stack.CanUndo());
        QCOMPARE(stack.RedoName(), std::string("step 1"));
    }

    void aStepLargerThanTheBudgetClearsTheHistory() {
        TUndoStack stack(100);
        stack.Push("a", Step(40));
        stack.Push("b", Step(40));
        stack.Undone();
        QVERIFY(!stack.Push("huge", Step(101)));
        QVERIFY(!stack.CanUndo() && !stack.CanRedo());
        QCOMPARE(stack.Bytes(), std::size_t(0));
        QVERIFY(stack.Push("exactly", Step(100)));
        QCOMPARE(stack.UndoCount(), std::size_t(1));
    }

    void aNewStepDropsTheRedoBranch() {
        TUndoStack stack(1000);
        stack.Push("a", Step(1));
        stack.Push("b", Step(1));
        stack.Undone();
        QVERIFY(stack.CanRedo());
        stack.Push("c", Step(1));
        QVERIFY(!stack.CanRedo());
        QCOMPARE(stack.UndoName(), std::string("c"));
    }

    // A step can grow on its way to the other stack (the version it keeps is larger):
    // the history then drops the oldest undo steps, and redo steps only when no undo is left.
    void growingStepsAreFittedAfterEachMove() {
        TUndoStack stack(100);
        stack.Push("old", Step(30));
        stack.Push("grows", Step(30));
        static_cast<Sized*>(stack.UndoStep())->bytes = 80;
        stack.Undone();
        QVERIFY(!stack.CanUndo());
        QCOMPARE(stack.RedoName(), std::string("grows"));
        static_cast<Sized*>(stack.RedoStep())->bytes = 120;
        stack.Redone();
        QVERIFY(!stack.CanUndo() && !stack.CanRedo());
    }

    void budgetIsAQuarterOfMemoryAtMostOneGiB() {
        const std::size_t budget = DefaultHistoryBudget();
        QVERIFY(budget > 0 && budget <= (std::size_t(1) << 30));
    }

    // Each record undoes and redoes its edit exactly, and keeps less than a whole layer.
    void tilesSwapBackTheTouchedPartsOnly() {
        TBitmap32 layer = Random(300, 200, 1);
        const TBitmap32 before = layer;
        TTilePatch patch;
        for (const Rect& r : {Rect{10, 10, 40, 40}, Rect{30, 20, 90, 50}, Rect{290, 190, 320, 230}}) {
            patch.Preserve(layer, r);
            for (int y = std::max(0, r.top); y < std::min(200, r.bottom); ++y)
                for (int x = std::max(0, r.left); x < std::min(300, r.right); ++x)
                    StorePixel(layer.ScanLine(y) + 4 * x, 0x00FFFFFFu);
        }
        const TBitmap32 after = layer;
        QVERIFY(patch.Bytes() < before.ByteCount() / 2);
        const Rect area = patch.Swap(layer);
        QVERIFY(layer == before);
        QCOMPARE(area.left, 0);
        QCOMPARE(area.right, 300);
        QCOMPARE(area.bottom, 200);
        patch.Swap(layer);
        QVERIFY(layer == after);
    }

    void colourMaskRepaintsExactlyThePixelsOfOneColour() {
        TBitmap32 layer = Random(130, 70, 2);
        // Alpha bytes differ from pixel to pixel and must stay.
        for (std::size_t i = 3; i < layer.ByteCount(); i += 4) layer.Bits()[i] = std::uint8_t(i);
        const std::uint32_t old = layer.PixelColor(65, 35);
        TColourMask mask = TColourMask::Of(layer, old);
        const TBitmap32 before = layer;
        std::int64_t matches = 0;
        for (int y = 0; y < 70; ++y)
            for (int x = 0; x < 130; ++x)
                if (layer.PixelColor(x, y) == old) {
                    ++matches;
                    std::uint8_t* p = layer.ScanLine(y) + 4 * x;
                    p[kR] = 1, p[kG] = 2, p[kB] = 3;
                }
        QCOMPARE(mask.Count(), matches);
        const TBitmap32 after = layer;
        mask.Repainted(0x010203u);
        mask.Swap(layer);
        QVERIFY(layer == before);
        mask.Swap(layer);
        QVERIFY(layer == after);
        QVERIFY(mask.Bytes() <= std::size_t(130 / 64 + 1) * 70 * 8);
    }
};

QTEST_MAIN(UndoBudgetTest)
#include "UndoBudgetTest.moc"
