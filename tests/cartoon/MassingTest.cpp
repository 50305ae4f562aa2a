#include "cartoon/styles/Massing.h"

#include "core/Parallel.h"
#include "tests/cartoon/StylePictures.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace brimlet {
namespace {

using testing::PixelAt;
using testing::SetPixel;
using testing::Uniform;

std::uint32_t Grey(int v) { return 0xFF000000u | std::uint32_t(v) * 0x010101u; }

TEST(MassingSettings, LevelStepFollowsTheScalarPositions) {
    const int expected[] = {128, 85, 64, 51, 43, 37, 32, 28, 26, 23, 21, 20, 18, 17};
    for (int position = 2; position <= 15; ++position)
        EXPECT_EQ(LevelStepFor(position), expected[position - 2]) << "Scalar " << position;
    EXPECT_THROW(LevelStepFor(0), std::invalid_argument);
}

TEST(MassingSettings, RegionOffsetRoundsHalvesToEven) {
    EXPECT_EQ(RegionOffsetFor(0, 40, 51), -26);  // -25.5
    EXPECT_EQ(RegionOffsetFor(40, 40, 51), 26);
    EXPECT_EQ(RegionOffsetFor(20, 40, 51), 0);
    EXPECT_EQ(RegionOffsetFor(1, 40, 128), -61);  // -60.8
    EXPECT_EQ(RegionOffsetFor(3, 5, 10), 1);      // (3 - 2.5) * 10 / 5 = 1: max / 2 is not truncated
    EXPECT_THROW(RegionOffsetFor(0, 0, 51), std::invalid_argument);
}

// One row of each grey 0..255 under a first row and column that stay as they are.
TBitmap32 GreyRamp() {
    TBitmap32 bmp = Uniform(257, 2, 0x00123456u);
    for (int v = 0; v < 256; ++v) SetPixel(bmp, v + 1, 1, std::uint32_t(v) * 0x010101u);
    return bmp;
}

TEST(MassingGreyPath, BandTopsOfTheCoarseScalars) {
    NoProgress none;
    TBitmap32 bmp = GreyRamp();
    crayonpic(0, bmp, 128, true, none);
    for (int v = 0; v < 256; ++v) EXPECT_EQ(PixelAt(bmp, v + 1, 1), Grey(v < 128 ? 127 : 255)) << v;

    bmp = GreyRamp();
    crayonpic(0, bmp, 85, true, none);
    for (int v = 0; v < 256; ++v) {
        int top = v < 85 ? 84 : v < 170 ? 169 : v < 255 ? 254 : 255;  // band 3 (v = 255) clamps
        EXPECT_EQ(PixelAt(bmp, v + 1, 1), Grey(top)) << v;
    }
}

TEST(MassingGreyPath, OffsetIsAppliedAndClampedBeforeBanding) {
    NoProgress none;
    TBitmap32 bmp = Uniform(3, 3, 20 * 0x010101u);
    crayonpic(RegionOffsetFor(0, 40, 51), bmp, 51, true, none);  // 20 - 26 -> 0 -> band top 50
    EXPECT_EQ(PixelAt(bmp, 2, 2), Grey(50));
    bmp = Uniform(3, 3, 250 * 0x010101u);
    crayonpic(26, bmp, 51, true, none);  // held at 255, the band of its own
    EXPECT_EQ(PixelAt(bmp, 1, 1), Grey(255));
}

TEST(MassingColourPath, BoxMeanRoundsHalvesToEven) {
    NoProgress none;
    // 100 pixels of red 10 and 100 of red 11 inside the quantised area; all in box (0, 0, 0).
    TBitmap32 bmp = Uniform(21, 11, 0x000A0000u);
    for (int y = 1; y <= 10; ++y)
        for (int x = 11; x <= 20; ++x) SetPixel(bmp, x, y, 0x000B0000u);
    crayonpic(0, bmp, 51, false, none);
    for (int y = 1; y <= 10; ++y)
        for (int x = 1; x <= 20; ++x) ASSERT_EQ(PixelAt(bmp, x, y), 0xFF0A0000u) << x << "," << y;
}

TEST(MassingColourPath, SeparateBoxesKeepTheirOwnMeans) {
    NoProgress none;
    TBitmap32 bmp = Uniform(5, 3, 0x00000000u);
    SetPixel(bmp, 1, 1, 0x00C8C8C8u);
    SetPixel(bmp, 2, 1, 0x00CACACAu);  // same box as 200: mean 201
    SetPixel(bmp, 3, 1, 0x00101010u);  // shares the box with the black pixels
    crayonpic(0, bmp, 51, false, none);
    EXPECT_EQ(PixelAt(bmp, 1, 1), 0xFFC9C9C9u);
    EXPECT_EQ(PixelAt(bmp, 2, 1), 0xFFC9C9C9u);
    EXPECT_EQ(PixelAt(bmp, 3, 1), 0xFF030303u);  // 16 over the box's 6 pixels = 2.67
}

TEST(Massing, TopRowAndLeftColumnKeepTheirPixels) {
    NoProgress none;
    for (bool gray : {true, false}) {
        TBitmap32 bmp = testing::RandomPicture(19, 11, 5);
        const TBitmap32 before = bmp;
        crayonpic(-13, bmp, 37, gray, none);
        for (int x = 0; x < 19; ++x) EXPECT_EQ(PixelAt(bmp, x, 0), PixelAt(before, x, 0));
        for (int y = 0; y < 11; ++y) EXPECT_EQ(PixelAt(bmp, 0, y), PixelAt(before, 0, y));
        EXPECT_EQ(PixelAt(bmp, 5, 5) >> 24, 255u);
    }
}

TEST(Massing, RejectsBandWidthsThatWouldBreakTheTable) {
    NoProgress none;
    TBitmap32 bmp = testing::RandomPicture(8, 8, 1);
    const TBitmap32 before = bmp;
    EXPECT_THROW(crayonpic(0, bmp, 0, true, none), std::invalid_argument);
    EXPECT_THROW(crayonpic(0, bmp, 15, false, none), std::invalid_argument);
    EXPECT_THROW(reference::crayonpic(0, bmp, 15, false, none), std::invalid_argument);
    TBitmap32 target(2, 3);
    const TBitmap32 targetBefore = target;
    EXPECT_THROW(crayonpic(0, bmp, target, 15, false, none), std::invalid_argument);
    EXPECT_EQ(target, targetBefore);
    EXPECT_EQ(bmp, before);
}

TEST(BrighterDarker, SaturateAndLeaveAlpha) {
    NoProgress none;
    TBitmap32 bmp = Uniform(4, 3, 0x7BFA0502u);  // A 123, R 250, G 5, B 2
    Brighter(bmp, none);
    EXPECT_EQ(PixelAt(bmp, 0, 0), 0x7BFF0F0Cu);
    EXPECT_EQ(PixelAt(bmp, 3, 2), 0x7BFF0F0Cu);
    bmp = Uniform(4, 3, 0x7BFA0502u);
    Darker(bmp, none);
    EXPECT_EQ(PixelAt(bmp, 0, 0), 0x7BF00000u);
}

// Fast and literal forms must agree in every pixel and in what the progress saw.
template <class Fast, class Literal>
void ExpectSameAsReference(const TBitmap32& input, Fast fast, Literal literal, const char* what) {
    TBitmap32 a = input, b = input;
    CountingProgress pa, pb;
    fast(a, pa);
    literal(b, pb);
    ASSERT_EQ(a, b) << what << " on " << input.Width() << " x " << input.Height();
    EXPECT_EQ(pa.Advanced(), pb.Advanced()) << what;
    EXPECT_EQ(pa.Peak(), pb.Peak()) << what;
    EXPECT_EQ(pa.Position(), pb.Position()) << what;
}

TEST(MassingFastPath, GreyPathMatchesForEveryGreyOffsetAndStep) {
    // Every colour with all three bytes equal has that gray value; random colours cover ties.
    TBitmap32 bmp = GreyRamp();
    TBitmap32 mixed = testing::RandomPicture(97, 89, 77);
    for (int scalar = 2; scalar <= 15; ++scalar) {
        const int step = LevelStepFor(scalar);
        for (int region = 0; region <= 40; ++region) {
            const int offset = RegionOffsetFor(region, 40, step);
            for (const TBitmap32* picture : {&bmp, &mixed})
                ExpectSameAsReference(
                    *picture, [&](TBitmap32& p, Progress& pr) { crayonpic(offset, p, step, true, pr); },
                    [&](TBitmap32& p, Progress& pr) { reference::crayonpic(offset, p, step, true, pr); },
                    "grey crayonpic");
        }
    }
}

TEST(MassingFastPath, AllRoutinesMatchOnOddSizesRealPhotosAndThreads) {
    std::vector<TBitmap32> pictures = testing::RealPhotos();
    for (auto [w, h] : testing::OddSizes()) {
        pictures.push_back(testing::RandomPicture(w, h, std::uint32_t(w * 1000 + h)));
        pictures.push_back(testing::BlockyPicture(w, h, std::uint32_t(w + h)));
    }
    for (int threads : {1, 3}) {
        SetWorkerThreads(threads);
        for (const TBitmap32& picture : pictures) {
            ASSERT_FALSE(picture.Empty());
            for (int step : {17, 51, 128})
                ExpectSameAsReference(
                    picture, [&](TBitmap32& p, Progress& pr) { crayonpic(0, p, step, false, pr); },
                    [&](TBitmap32& p, Progress& pr) { reference::crayonpic(0, p, step, false, pr); },
                    "colour crayonpic");
            ExpectSameAsReference(
                picture, [](TBitmap32& p, Progress& pr) { crayonpic(-9, p, 43, true, pr); },
                [](TBitmap32& p, Progress& pr) { reference::crayonpic(-9, p, 43, true, pr); },
                "grey crayonpic");
            // From the picture into a stale target of the same byte count, whose old pixels
            // (top row and left column included) must not show through.
            for (bool gray : {true, false})
                ExpectSameAsReference(
                    picture,
                    [&](TBitmap32& p, Progress& pr) {
                        TBitmap32 target = p;
                        target.InvertRect({0, 0, target.Width(), target.Height()});
                        crayonpic(-9, p, target, 43, gray, pr);
                        p = std::move(target);
                    },
                    [&](TBitmap32& p, Progress& pr) { reference::crayonpic(-9, p, 43, gray, pr); },
                    "crayonpic into a target");
            ExpectSameAsReference(
                picture, [](TBitmap32& p, Progress& pr) { Brighter(p, pr); },
                [](TBitmap32& p, Progress& pr) { reference::Brighter(p, pr); }, "Brighter");
            ExpectSameAsReference(
                picture, [](TBitmap32& p, Progress& pr) { Darker(p, pr); },
                [](TBitmap32& p, Progress& pr) { reference::Darker(p, pr); }, "Darker");
        }
    }
    SetWorkerThreads(0);
}

TEST(MassingFastPath, ProgressCountsRowsOfEachPass) {
    TBitmap32 bmp = testing::RandomPicture(10, 900, 3);
    CountingProgress grey, colour;
    crayonpic(0, bmp, 51, true, grey);
    EXPECT_EQ(grey.Advanced(), 899);
    EXPECT_EQ(grey.Peak(), 800);  // held at the bar's maximum
    EXPECT_EQ(grey.Position(), 0);
    crayonpic(0, bmp, 51, false, colour);
    EXPECT_EQ(colour.Advanced(), 2 * 899);
    EXPECT_EQ(colour.Position(), 0);
}

}  // namespace
}  // namespace brimlet
