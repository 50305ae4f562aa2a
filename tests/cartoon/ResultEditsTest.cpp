#include "cartoon/styles/ResultEdits.h"

#include <gtest/gtest.h>

#include <random>

namespace brimlet {
namespace {

// A cartoon-like layer: few flat colours, random alpha, so exact matches are common.
TBitmap32 Posterised(int w, int h, unsigned seed, int colours = 5) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> pick(0, colours - 1), byte(0, 255);
    std::vector<std::uint32_t> palette;
    for (int i = 0; i < colours; ++i)
        palette.push_back(std::uint32_t(byte(rng)) * 0x010203u & 0xFFFFFFu);
    TBitmap32 bmp(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            StorePixel(bmp.ScanLine(y) + 4 * x, palette[pick(rng)] | std::uint32_t(byte(rng))
                                                                         << 24);
    return bmp;
}

TBitmap32 Noise(int w, int h, unsigned seed) {
    std::mt19937 rng(seed);
    TBitmap32 bmp(w, h);
    for (std::size_t i = 0; i < bmp.ByteCount(); ++i) bmp.Bits()[i] = std::uint8_t(rng());
    return bmp;
}

Rect ChangedBox(const TBitmap32& a, const TBitmap32& b) {
    Rect box{a.Width(), a.Height(), 0, 0};
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (LoadPixel(a.ScanLine(y) + 4 * x) != LoadPixel(b.ScanLine(y) + 4 * x)) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x + 1);
                box.bottom = std::max(box.bottom, y + 1);
            }
    return box.right == 0 ? Rect{} : box;
}

void ExpectSameRect(const Rect& a, const Rect& b) {
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(a.top, b.top);
    EXPECT_EQ(a.right, b.right);
    EXPECT_EQ(a.bottom, b.bottom);
}

void Fill(TBitmap32& bmp, int x0, int y0, int x1, int y1, std::uint32_t bgra) {
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) StorePixel(bmp.ScanLine(y) + 4 * x, bgra);
}

TEST(Dyeing, RecoloursEveryRegionOfTheClickedColourAndOnlyExactMatches) {
    TBitmap32 colour(40, 30);
    Fill(colour, 0, 0, 40, 30, 0x10101010u);
    Fill(colour, 2, 2, 8, 8, 0x80203040u);      // region A
    Fill(colour, 30, 20, 38, 28, 0x7F203040u);  // same colour as A, other alpha
    Fill(colour, 20, 2, 25, 6, 0x80203041u);    // one step off in blue: not a match
    TBitmap32 palette(40, 30);
    Fill(palette, 0, 0, 40, 30, 0x00C0B0A0u);
    const TBitmap32 before = colour;

    Rect changed = DyeColourLayer(colour, palette, 4, 4);
    ExpectSameRect(changed, Rect{2, 2, 38, 28});
    EXPECT_EQ(LoadPixel(colour.ScanLine(3) + 4 * 3), 0x80C0B0A0u);    // alpha kept
    EXPECT_EQ(LoadPixel(colour.ScanLine(25) + 4 * 35), 0x7FC0B0A0u);  // far region too
    EXPECT_EQ(LoadPixel(colour.ScanLine(3) + 4 * 21), 0x80203041u);
    EXPECT_EQ(LoadPixel(colour.ScanLine(0) + 0), 0x10101010u);

    // A colour found in one region only changes that region.
    colour = before;
    changed = DyeColourLayer(colour, palette, 22, 3);
    ExpectSameRect(changed, Rect{20, 2, 25, 6});
    ExpectSameRect(ChangedBox(before, colour), changed);

    // Clicking a pixel that already has the palette's colour, or outside both pictures
    // (white on white), changes nothing.
    colour = before;
    Fill(palette, 0, 0, 1, 1, 0x00101010u);
    ExpectSameRect(DyeColourLayer(colour, palette, 0, 0), Rect{});
    ExpectSameRect(DyeColourLayer(colour, palette, -1, 500), Rect{});
    EXPECT_EQ(colour, before);
}

TEST(Dyeing, OutsideTheLayerTheOldColourReadsWhite) {
    // The palette is larger than the layer: the click lands outside the layer, so every
    // white pixel of the layer takes the palette's colour there.
    TBitmap32 colour(10, 10);
    Fill(colour, 0, 0, 10, 10, 0xFFFFFFFFu);
    Fill(colour, 0, 0, 5, 5, 0xFF000000u);
    TBitmap32 palette(20, 20);
    Fill(palette, 0, 0, 20, 20, 0x00123456u);
    ExpectSameRect(DyeColourLayer(colour, palette, 15, 15), Rect{0, 0, 10, 10});
    EXPECT_EQ(LoadPixel(colour.ScanLine(9) + 36), 0xFF123456u);
    EXPECT_EQ(LoadPixel(colour.ScanLine(0)), 0xFF000000u);
}

TEST(Dyeing, FastPathMatchesReferenceOnRandomLayers) {
    std::mt19937 rng(7);
    for (auto [w, h] : {std::pair{1, 1}, {17, 3}, {33, 65}, {129, 200}, {301, 97}}) {
        for (int trial = 0; trial < 6; ++trial) {
            TBitmap32 colour = Posterised(w, h, rng(), trial % 2 ? 3 : 40);
            TBitmap32 palette = Noise(w, h, rng());
            int x = int(rng() % (w + 2)) - 1, y = int(rng() % (h + 2)) - 1;
            TBitmap32 expected = colour;
            reference::DyeColourLayer(expected, palette, x, y);
            const TBitmap32 before = colour;
            Rect changed = DyeColourLayer(colour, palette, x, y);
            ASSERT_EQ(colour, expected) << w << "x" << h << " at " << x << "," << y;
            ExpectSameRect(changed, ChangedBox(before, colour));
        }
    }
}

TEST(Dyeing, OnePassRedisplayEqualsDyeingThenRebuildingEverything) {
    std::mt19937 rng(9);
    for (TShowRule rule :
         {TShowRule{true, 2}, TShowRule{true, 1}, TShowRule{false, 1}, TShowRule{false, 2}}) {
        for (auto [w, h] : {std::pair{5, 3}, {63, 31}, {200, 150}}) {
            TBitmap32 colour = Posterised(w, h, rng(), 4);
            const TBitmap32 line = Noise(w, h, rng()), palette = Noise(w, h, rng());
            TBitmap32 shown = reference::ComposeShown(colour, line, rule);
            const int x = int(rng() % w), y = int(rng() % h);
            TBitmap32 expected = colour;
            reference::DyeColourLayer(expected, palette, x, y);
            bool updated = false;
            DyeColourLayerShown(colour, palette, x, y, line, rule, shown, updated);
            ASSERT_TRUE(updated);
            ASSERT_EQ(colour, expected);
            ASSERT_EQ(shown, reference::ComposeShown(colour, line, rule))
                << "rule " << rule.dyeingAndSketch << "/" << rule.resultKind << " " << w << "x"
                << h;
        }
    }
    // A shown picture of another size is left for a full rebuild; the layer is dyed anyway.
    TBitmap32 colour = Posterised(20, 20, 1, 2), shown(19, 20);
    const TBitmap32 line = Noise(20, 20, 2), palette = Noise(20, 20, 3), before = shown;
    TBitmap32 expected = colour;
    reference::DyeColourLayer(expected, palette, 4, 4);
    bool updated = true;
    DyeColourLayerShown(colour, palette, 4, 4, line, {true, 1}, shown, updated);
    EXPECT_FALSE(updated);
    EXPECT_EQ(colour, expected);
    EXPECT_EQ(shown, before);
}

TEST(ControlMapping, IntegerProductsThenRoundHalfToEven) {
    int x = 0, y = 0;
    // 5 * 362 / 724 = 2.5 -> 2; 7 * 272 / 544 = 3.5 -> 4.
    ASSERT_TRUE(ControlToPicture(5, 7, 362, 272, 724, 544, x, y));
    EXPECT_EQ(x, 2);
    EXPECT_EQ(y, 4);
    // Large pictures: X * W exceeds what a rounding in single steps would keep exact.
    ASSERT_TRUE(ControlToPicture(359, 269, 32768, 24000, 360, 270, x, y));
    EXPECT_EQ(x, 32677);
    EXPECT_EQ(y, 23911);
    EXPECT_FALSE(ControlToPicture(1, 1, 10, 10, 0, 5, x, y));
}

TEST(Brush, RadiusAndCentreFollowTheDisplayScale) {
    EXPECT_EQ(BrushDabAt(0, 0, 1.0).r, 10);
    EXPECT_EQ(BrushDabAt(0, 0, 1.25).r, 12);  // 12.5 -> 12
    EXPECT_EQ(BrushDabAt(0, 0, 0.25).r, 2);   // 2.5 -> 2
    // 0.45 is stored a little above 0.45; in extended precision 10 * s stays above 4.5
    // and rounds up, where a double product would round to exactly 4.5 and give 4.
    EXPECT_EQ(BrushDabAt(0, 0, 0.45).r, 5);
    TBrushDab dab = BrushDabAt(2, 6, 1.25);  // 2.5 -> 2 and 7.5 -> 8
    EXPECT_EQ(dab.cx, 2);
    EXPECT_EQ(dab.cy, 8);
}

TEST(Brush, DiscSpansTwoRadiiPlusOneAndPaintsWhitePaper) {
    TBitmap32 line(50, 50);
    Fill(line, 0, 0, 50, 50, 0xFF000000u);  // black ink everywhere
    Rect covered = ClearSpot(line, 25, 25, 10);
    ExpectSameRect(covered, Rect{15, 15, 36, 36});
    int rowSpan = 0, columnSpan = 0;
    for (int i = 0; i < 50; ++i) {
        rowSpan += LoadPixel(line.ScanLine(25) + 4 * i) == 0x00FFFFFFu;
        columnSpan += LoadPixel(line.ScanLine(i) + 4 * 25) == 0x00FFFFFFu;
    }
    EXPECT_EQ(rowSpan, 21);
    EXPECT_EQ(columnSpan, 21);
    // The corners of the bounding square stay ink; the extreme columns keep only a
    // one-pixel cap, h = Round(sqrt(100 - 100)) = 0.
    EXPECT_EQ(LoadPixel(line.ScanLine(15) + 4 * 15), 0xFF000000u);
    EXPECT_EQ(LoadPixel(line.ScanLine(24) + 4 * 15), 0xFF000000u);
    EXPECT_EQ(LoadPixel(line.ScanLine(25) + 4 * 15), 0x00FFFFFFu);

    // Radius 0 is a single pixel; a disc that misses the picture touches nothing.
    TBitmap32 small(5, 5);
    Fill(small, 0, 0, 5, 5, 0xFF000000u);
    ExpectSameRect(ClearSpot(small, 2, 2, 0), Rect{2, 2, 3, 3});
    EXPECT_EQ(LoadPixel(small.ScanLine(2) + 8), 0x00FFFFFFu);
    EXPECT_EQ(LoadPixel(small.ScanLine(2) + 4), 0xFF000000u);
    ExpectSameRect(ClearSpot(small, -20, 2, 10), Rect{});
}

TEST(Brush, FastPathMatchesReferenceIncludingEdges) {
    std::mt19937 rng(11);
    for (int trial = 0; trial < 200; ++trial) {
        int w = 1 + int(rng() % 90), h = 1 + int(rng() % 90);
        TBitmap32 line = Noise(w, h, rng());
        int r = int(rng() % 31);
        int cx = int(rng() % (w + 2 * r + 2)) - r - 1, cy = int(rng() % (h + 2 * r + 2)) - r - 1;
        TBitmap32 expected = line;
        reference::ClearSpot(expected, cx, cy, r);
        const TBitmap32 before = line;
        Rect covered = ClearSpot(line, cx, cy, r);
        ASSERT_EQ(line, expected) << w << "x" << h << " r " << r << " at " << cx << "," << cy;
        Rect changed = ChangedBox(before, line);
        if (changed.right > changed.left) {  // the changes lie within the reported area
            EXPECT_LE(covered.left, changed.left);
            EXPECT_LE(covered.top, changed.top);
            EXPECT_GE(covered.right, changed.right);
            EXPECT_GE(covered.bottom, changed.bottom);
        }
    }
}

TEST(ShownResult, RebuildingAnAreaEqualsRebuildingEverything) {
    std::mt19937 rng(5);
    for (TShowRule rule : {TShowRule{true, 0}, TShowRule{true, 2}, TShowRule{false, 1},
                           TShowRule{false, 2}, TShowRule{false, 0}}) {
        for (auto [w, h] : {std::pair{3, 2}, {37, 41}, {250, 170}}) {
            TBitmap32 colour = Posterised(w, h, rng(), 4);
            TBitmap32 line = Noise(w, h, rng());
            TBitmap32 shown = reference::ComposeShown(colour, line, rule);
            ASSERT_EQ(ComposeShown(colour, line, rule), shown);
            // Edit both layers inside an area, then rebuild just that area.
            Rect area{int(rng() % w), int(rng() % h), 0, 0};
            area.right = area.left + 1 + int(rng() % (w - area.left));
            area.bottom = area.top + 1 + int(rng() % (h - area.top));
            for (int y = area.top; y < area.bottom; ++y)
                for (int x = area.left; x < area.right; ++x) {
                    StorePixel(colour.ScanLine(y) + 4 * x, std::uint32_t(rng()));
                    StorePixel(line.ScanLine(y) + 4 * x, std::uint32_t(rng()));
                }
            ASSERT_TRUE(ComposeShownArea(colour, line, rule, shown, area));
            ASSERT_EQ(shown, reference::ComposeShown(colour, line, rule))
                << "rule " << rule.dyeingAndSketch << "/" << rule.resultKind << " " << w << "x"
                << h;
        }
    }
}

TEST(ShownResult, AreaRebuildRefusesPicturesOfAnotherSize) {
    TBitmap32 colour(10, 10), line(10, 10), shown(9, 10);
    const TBitmap32 before = shown;
    EXPECT_FALSE(ComposeShownArea(colour, line, {true, 1}, shown, Rect{0, 0, 5, 5}));
    EXPECT_FALSE(ComposeShownArea(colour, line, {false, 2}, shown, Rect{0, 0, 5, 5}));
    TBitmap32 otherLine(10, 11);
    EXPECT_FALSE(ComposeShownArea(colour, otherLine, {true, 1}, colour, Rect{0, 0, 5, 5}));
    EXPECT_EQ(shown, before);
}

}  // namespace
}  // namespace brimlet
