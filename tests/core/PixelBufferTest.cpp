#include "core/Image32.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

namespace brimlet {
namespace {

TBitmap32 Filled(int w, int h, std::uint8_t b, std::uint8_t g, std::uint8_t r, std::uint8_t a) {
    TBitmap32 bmp(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) StorePixel(bmp.ScanLine(y) + 4 * x, b | g << 8 | r << 16 | std::uint32_t(a) << 24);
    return bmp;
}

TEST(PixelBuffer, RowsAreContiguousFourBytesPerPixel) {
    TBitmap32 bmp(7, 3);
    EXPECT_EQ(bmp.Stride(), 28u);
    EXPECT_EQ(bmp.ScanLine(1) - bmp.ScanLine(0), 28);
    EXPECT_EQ(bmp.ScanLine(2) - bmp.Bits(), 56);
    EXPECT_EQ(bmp.ByteCount(), 7u * 3u * 4u);
}

TEST(PixelBuffer, ScanLineOutsideFailsWithPlatformText) {
    TBitmap32 bmp(2, 2);
    for (int y : {-1, 2, 1000}) {
        try {
            bmp.ScanLine(y);
            FAIL() << "row " << y << " accepted";
        } catch (const std::out_of_range& e) {
            EXPECT_STREQ(e.what(), "Scan line index out of range");
        }
    }
    const TBitmap32 empty;
    EXPECT_THROW(empty.ScanLine(0), std::out_of_range);
}

TEST(PixelBuffer, FreshAndGrownAreasAreWhiteAndResizeKeepsTopLeft) {
    TBitmap32 bmp = Filled(3, 2, 1, 2, 3, 4);
    bmp.SetSize(4, 3);
    EXPECT_EQ(LoadPixel(bmp.ScanLine(1) + 8), 0x04030201u);  // kept
    EXPECT_EQ(LoadPixel(bmp.ScanLine(1) + 12), 0x00FFFFFFu);  // new column
    EXPECT_EQ(LoadPixel(bmp.ScanLine(2)), 0x00FFFFFFu);       // new row
    bmp.SetSize(2, 1);
    EXPECT_EQ(LoadPixel(bmp.ScanLine(0) + 4), 0x04030201u);
}

TEST(PixelBuffer, AbsurdSizesAreRefusedBeforeAllocating) {
    TBitmap32 bmp;
    EXPECT_THROW(bmp.SetSize(100000, 100000), std::length_error);
    EXPECT_THROW(bmp.SetSize(-1, 5), std::length_error);
    EXPECT_THROW(CheckPictureSize(20000, 20000), std::length_error);
    EXPECT_NO_THROW(CheckPictureSize(16384, 16384));
    EXPECT_TRUE(bmp.Empty());
}

TEST(PixelBuffer, CanvasPixelReadAndWrite) {
    TBitmap32 bmp = Filled(2, 2, 10, 20, 30, 200);
    EXPECT_EQ(bmp.PixelColor(1, 1), 0x001E140Au);
    EXPECT_EQ(bmp.PixelColor(-1, 0), 0x00FFFFFFu);
    EXPECT_EQ(bmp.PixelColor(0, 2), 0x00FFFFFFu);
    bmp.SetPixelColor(0, 1, 255, 255, 255);
    EXPECT_EQ(LoadPixel(bmp.ScanLine(1)), 0x00FFFFFFu);  // alpha 0: transparent paper
    bmp.SetPixelColor(5, 5, 0, 0, 0);                   // ignored, no crash
}

TEST(PixelBuffer, InvertFlipsAllFourBytesInsideTheClippedRectangle) {
    TBitmap32 bmp = Filled(3, 3, 10, 20, 30, 40);
    bmp.InvertRect({1, 1, 10, 10});
    EXPECT_EQ(LoadPixel(bmp.ScanLine(0)), 0x281E140Au);
    EXPECT_EQ(LoadPixel(bmp.ScanLine(2) + 8), 0xD7E1EBF5u);
    EXPECT_EQ(LoadPixel(bmp.ScanLine(1)), 0x281E140Au);
}

TEST(PixelBuffer, AssignCopiesSizeAndEveryByte) {
    TBitmap32 a = Filled(5, 4, 1, 2, 3, 4), b(2, 2);
    b.Assign(a);
    EXPECT_EQ(b, a);
    a.SetPixelColor(0, 0, 9, 9, 9);
    EXPECT_NE(b, a);  // a real copy
}

TEST(PixelBuffer, SetAlphaChannelLeavesColourAlone) {
    TBitmap32 bmp = Filled(3, 2, 1, 2, 3, 4);
    SetAlphaChannel(bmp, 77);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(LoadPixel(bmp.ScanLine(y) + 4 * x), 0x4D030201u);
}

TEST(BlendPixel, RulesAndTruncationTowardZero) {
    std::uint8_t d[4] = {200, 200, 200, 9};
    BlendPixel(d, 0x80000000u);  // alpha 128 over 200 with 0: 200 + trunc(-200*128/255) = 100
    EXPECT_EQ(d[0], 100);
    EXPECT_EQ(d[3], 9);  // destination alpha kept
    std::uint8_t e[4] = {0, 0, 0, 0};
    BlendPixel(e, 0x01FFFFFFu);  // trunc(255/255) = 1
    EXPECT_EQ(e[0], 1);
    std::uint8_t f[4] = {10, 10, 10, 10};
    BlendPixel(f, 0x00000000u);  // alpha 0: unchanged
    EXPECT_EQ(LoadPixel(f), 0x0A0A0A0Au);
    BlendPixel(f, 0xFF010203u);  // alpha 255: whole source replaces, alpha too
    EXPECT_EQ(LoadPixel(f), 0xFF010203u);
    std::uint8_t g[4] = {3, 2, 1, 50};
    BlendPixel(g, 0x32010203u);  // equal in all four bytes: no drift
    EXPECT_EQ(LoadPixel(g), 0x32010203u);
    std::uint8_t h[4] = {0, 100, 255, 0};
    BlendPixel(h, 0x7F000000u);  // negative differences also round toward zero
    EXPECT_EQ(h[0], 0 + 0);
    EXPECT_EQ(h[1], 100 + (-100 * 127) / 255);
    EXPECT_EQ(h[2], 255 + (-255 * 127) / 255);
}

TEST(DrawOver, EqualsBlendPixelOnEveryAlphaAndChannelPair) {
    // The vectorised row must agree with BlendPixel for every (source, dest, alpha).
    TBitmap32 layer(256, 256), target(256, 256), expected(256, 256);
    for (int a = 0; a < 256; a += 1) {
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                StorePixel(layer.ScanLine(y) + 4 * x, std::uint32_t(x) | std::uint32_t(255 - x) << 8 | std::uint32_t(x) << 16 | std::uint32_t(a) << 24);
                StorePixel(target.ScanLine(y) + 4 * x, std::uint32_t(y) | std::uint32_t(y) << 8 | std::uint32_t(255 - y) << 16 | 0xFF000000u);
            }
        expected.Assign(target);
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x)
                BlendPixel(expected.ScanLine(y) + 4 * x, LoadPixel(layer.ScanLine(y) + 4 * x));
        layer.DrawOver(0, 0, target);
        ASSERT_EQ(target, expected) << "alpha " << a;
    }
}

TEST(DrawOver, ClipsToTargetAndMakesItOpaque) {
    TBitmap32 layer = Filled(5, 5, 0, 0, 0, 255);
    TBitmap32 target = Filled(3, 2, 50, 60, 70, 0);
    layer.DrawOver(1, 1, target);
    EXPECT_EQ(LoadPixel(target.ScanLine(0)), 0xFF463C32u);      // outside the layer: only alpha
    EXPECT_EQ(LoadPixel(target.ScanLine(1) + 4), 0xFF000000u);  // ink
    TBitmap32 off = Filled(3, 2, 50, 60, 70, 0);
    layer.DrawOver(-10, 0, off);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(LoadPixel(off.ScanLine(y) + 4 * x), 0xFF463C32u);
}

TEST(DrawOver, RowRangesInAnyOrderGiveTheWholeDraw) {
    TBitmap32 layer(7, 6), whole(9, 11);
    for (std::size_t i = 0; i < layer.ByteCount(); ++i) layer.Bits()[i] = std::uint8_t(i * 37 + 5);
    for (std::size_t i = 0; i < whole.ByteCount(); ++i) whole.Bits()[i] = std::uint8_t(i * 11 + 3);
    for (auto [x, y] : {std::pair{0, 0}, {2, 3}, {-3, -2}, {20, 0}}) {
        TBitmap32 pieces = whole, expected = whole;
        layer.DrawOver(x, y, expected);
        // Out-of-range rows are clipped; the ranges go bottom first.
        layer.DrawOverRows(x, y, pieces, 8, 40);
        layer.DrawOverRows(x, y, pieces, 4, 8);
        layer.DrawOverRows(x, y, pieces, -5, 4);
        ASSERT_EQ(pieces, expected) << x << ", " << y;
    }
}

TEST(PixelBuffer, SizeForOverwriteKeepsMemoryOfTheSameByteCountAndChecksLimits) {
    TBitmap32 picture(6, 4);
    const std::uint8_t* memory = picture.Bits();
    picture.SetSizeForOverwrite(4, 6);
    EXPECT_EQ(picture.Bits(), memory);
    EXPECT_EQ(picture.Width(), 4);
    EXPECT_EQ(picture.Height(), 6);
    picture.SetSizeForOverwrite(5, 0);
    EXPECT_TRUE(picture.Empty());
    EXPECT_EQ(picture.ByteCount(), 0u);
    EXPECT_THROW(picture.SetSizeForOverwrite(TBitmap32::kMaxPictureSide + 1, 1), std::length_error);
    EXPECT_TRUE(picture.Empty());
}

TEST(PixelBuffer, LargePicturesKeepTheirPixelsThroughResizeCopyAndMove) {
    // Pictures on both sides of the large-block threshold of the pixel memory, so every
    // pairing of allocation and release is walked (the leak and mismatch checkers see them).
    TBitmap32 small = Filled(40, 30, 1, 2, 3, 4);
    TBitmap32 large = small;
    large.SetSize(2000, 1500);  // 12 MB
    EXPECT_EQ(LoadPixel(large.ScanLine(29) + 4 * 39), 0x04030201u);
    EXPECT_EQ(LoadPixel(large.ScanLine(1499) + 4 * 1999), 0x00FFFFFFu);
    TBitmap32 copy = large;
    EXPECT_TRUE(copy == large);
    copy.SetSize(40, 30);
    EXPECT_TRUE(copy == small);
    small.Assign(large);
    EXPECT_TRUE(small == large);
    TBitmap32 moved = std::move(large);
    EXPECT_EQ(moved.Width(), 2000);
    EXPECT_EQ(LoadPixel(moved.ScanLine(0)), 0x04030201u);
    moved.SetSizeForOverwrite(1000, 3000);  // same byte count: the same memory
    EXPECT_EQ(LoadPixel(moved.ScanLine(0)), 0x04030201u);
}

TEST(DrawOver, TransparentPaperKeepsTheColours) {
    TBitmap32 layer = Filled(4, 4, 255, 255, 255, 0);
    TBitmap32 target = Filled(4, 4, 1, 2, 3, 9);
    layer.DrawOver(0, 0, target);
    EXPECT_EQ(LoadPixel(target.ScanLine(3) + 12), 0xFF030201u);
}

}  // namespace
}  // namespace brimlet

namespace brimlet {
namespace {

TEST(DrawOver, OddWidthsAndOffsetsMatchBlendPixel) {
    std::mt19937 rng(7);
    for (int w : {1, 3, 5, 7, 13}) {
        TBitmap32 layer(w, 4), target(w + 2, 5);
        for (std::size_t i = 0; i < layer.ByteCount(); ++i) layer.Bits()[i] = std::uint8_t(rng());
        for (std::size_t i = 0; i < target.ByteCount(); ++i) target.Bits()[i] = std::uint8_t(rng());
        TBitmap32 expected = target;
        SetAlphaChannel(expected, 255);
        for (int y = 0; y < 4 && y + 1 < 5; ++y)
            for (int x = 0; x < w; ++x)
                BlendPixel(expected.ScanLine(y + 1) + 4 * (x + 1), LoadPixel(layer.ScanLine(y) + 4 * x));
        layer.DrawOver(1, 1, target);
        EXPECT_EQ(target, expected) << "width " << w;
    }
}

}  // namespace
}  // namespace brimlet
