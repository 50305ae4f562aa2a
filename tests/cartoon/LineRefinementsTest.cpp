#include "cartoon/styles/LineRefinements.h"

#include "core/Parallel.h"
#include "tests/cartoon/StylePictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace brimlet {
namespace {

using testing::Ink;
using testing::PixelAt;
using testing::SetPixel;
using testing::Uniform;

const std::uint32_t kPaper = Ink(255);  // white, alpha 0
const std::uint32_t kBlack = Ink(0);    // black, alpha 255

TEST(Shallow, FadesInnerAlphaByThirtyAndHoldsAtZero) {
    NoProgress none;
    TBitmap32 bmp = Uniform(5, 4, 0x14808080u);  // alpha 20
    Shallow(bmp, none);
    EXPECT_EQ(PixelAt(bmp, 2, 1), 0x00808080u);
    EXPECT_EQ(PixelAt(bmp, 0, 1), 0x14808080u);  // frame keeps its alpha
    EXPECT_EQ(PixelAt(bmp, 2, 3), 0x14808080u);

    TBitmap32 line = Uniform(5, 5, kBlack);
    for (int click = 1; click <= 9; ++click) {
        Shallow(line, none);
        EXPECT_EQ(PixelAt(line, 2, 2) >> 24, std::uint32_t(std::max(0, 255 - 30 * click))) << click;
    }
    EXPECT_EQ(PixelAt(line, 2, 2), 0x00000000u);
}

TEST(Smooth, KeepsAUniformGreyAndSetsItsAlpha) {
    NoProgress none;
    for (int v : {0, 1, 15, 128, 254, 255}) {
        TBitmap32 bmp = Uniform(6, 5, 0x11000000u | std::uint32_t(v) * 0x010101u);
        smooth(bmp, none);
        EXPECT_EQ(PixelAt(bmp, 3, 2), Ink(std::uint8_t(v))) << v;
        EXPECT_EQ(PixelAt(bmp, 0, 2) >> 24, 0x11u);  // frame untouched
    }
}

TEST(Smooth, WeightsAndTruncation) {
    NoProgress none;
    TBitmap32 bmp = Uniform(3, 3, 0);
    SetPixel(bmp, 1, 1, 0x000F0000u);  // red 15 at the centre: 15 * 4 / 16 = 3.75 -> 3
    SetPixel(bmp, 0, 0, 0x000000FFu);  // blue 255 in a corner: 255 / 16 = 15.9 -> 15
    smooth(bmp, none);
    EXPECT_EQ(PixelAt(bmp, 1, 1), std::uint32_t(255 - 15) << 24 | 0x0003000Fu);
}

TEST(ClearSpots, RemovesSpecksAndThinLinesButKeepsThickLines) {
    NoProgress none;
    TBitmap32 bmp = Uniform(12, 12, kPaper);
    SetPixel(bmp, 3, 3, kBlack);
    SetPixel(bmp, 8, 8, kBlack);
    SetPixel(bmp, 9, 8, kBlack);
    ClearSpots(bmp, none);
    for (int y = 1; y < 11; ++y)
        for (int x = 1; x < 11; ++x) ASSERT_EQ(PixelAt(bmp, x, y), kPaper) << x << "," << y;

    TBitmap32 thin = Uniform(12, 7, kPaper);
    for (int x = 2; x <= 9; ++x) SetPixel(thin, x, 3, kBlack);
    ClearSpots(thin, none);
    for (int x = 1; x < 11; ++x) EXPECT_EQ(PixelAt(thin, x, 3), kPaper) << x;

    TBitmap32 thick = Uniform(12, 7, kPaper);
    for (int x = 2; x <= 9; ++x) {
        SetPixel(thick, x, 3, kBlack);
        SetPixel(thick, x, 4, kBlack);
    }
    ClearSpots(thick, none);
    for (int x = 1; x < 11; ++x) {
        const std::uint32_t expected = x >= 3 && x <= 8 ? kBlack : kPaper;  // the ends go
        EXPECT_EQ(PixelAt(thick, x, 3), expected) << x;
        EXPECT_EQ(PixelAt(thick, x, 4), expected) << x;
    }
}

TEST(LineRefinements, FrameIsUntouchedAndTinyPicturesPassUnchanged) {
    NoProgress none;
    const std::function<void(TBitmap32&, Progress&)> routines[] = {Shallow, smooth, ClearSpots};
    for (const auto& routine : routines) {
        TBitmap32 bmp = testing::RandomPicture(9, 7, 11);
        const TBitmap32 before = bmp;
        routine(bmp, none);
        for (int x = 0; x < 9; ++x) {
            EXPECT_EQ(PixelAt(bmp, x, 0), PixelAt(before, x, 0));
            EXPECT_EQ(PixelAt(bmp, x, 6), PixelAt(before, x, 6));
        }
        for (int y = 0; y < 7; ++y) {
            EXPECT_EQ(PixelAt(bmp, 0, y), PixelAt(before, 0, y));
            EXPECT_EQ(PixelAt(bmp, 8, y), PixelAt(before, 8, y));
        }
        for (auto [w, h] : {std::pair{2, 9}, {9, 2}, {1, 1}}) {
            TBitmap32 tiny = testing::RandomPicture(w, h, 2);
            const TBitmap32 kept = tiny;
            routine(tiny, none);
            EXPECT_EQ(tiny, kept);
        }
    }
}

TEST(SelectionSort, SortsAndLeavesShortAndEqualArraysAlone) {
    std::int32_t one[] = {7};
    SelectionSort(one, 0);
    EXPECT_EQ(one[0], 7);
    std::int32_t values[] = {5, -3, 9, 0, 5, 2147483647, -2147483647 - 1, 1, 1};
    std::int32_t sorted[9];
    std::copy(values, values + 9, sorted);
    std::sort(sorted, sorted + 9);
    SelectionSort(values, 8);
    EXPECT_TRUE(std::equal(values, values + 9, sorted));
    std::int32_t partly[] = {3, 2, 1, 0};
    SelectionSort(partly, 2);  // only values[0..2]
    EXPECT_EQ(partly[0], 1);
    EXPECT_EQ(partly[2], 3);
    EXPECT_EQ(partly[3], 0);
}

TEST(LineRefinementsFastPath, MatchReferenceOnOddSizesRealPhotosAndThreads) {
    std::vector<TBitmap32> pictures = testing::RealPhotos();
    for (auto [w, h] : testing::OddSizes()) {
        pictures.push_back(testing::RandomPicture(w, h, std::uint32_t(w * 7 + h)));
        pictures.push_back(testing::BlockyPicture(w, h, std::uint32_t(w * 3 + h)));
    }
    pictures.push_back(testing::RandomPicture(41, 700, 9));  // several row groups
    struct Pair {
        const char* name;
        void (*fast)(TBitmap32&, Progress&);
        void (*literal)(TBitmap32&, Progress&);
    };
    const Pair pairs[] = {{"Shallow", Shallow, reference::Shallow},
                          {"smooth", smooth, reference::smooth},
                          {"ClearSpots", ClearSpots, reference::ClearSpots}};
    for (int threads : {1, 2, 5}) {
        SetWorkerThreads(threads);
        for (const TBitmap32& picture : pictures) {
            ASSERT_FALSE(picture.Empty());
            for (const Pair& pair : pairs) {
                TBitmap32 a = picture, b = picture;
                CountingProgress pa, pb;
                pair.fast(a, pa);
                pair.literal(b, pb);
                ASSERT_EQ(a, b) << pair.name << " " << picture.Width() << " x " << picture.Height()
                                << ", " << threads << " threads";
                EXPECT_EQ(pa.Advanced(), pb.Advanced()) << pair.name;
                EXPECT_EQ(pa.Peak(), pb.Peak()) << pair.name;
                EXPECT_EQ(pa.Position(), 0);
            }
        }
    }
    SetWorkerThreads(0);
}

// Repeated refinements work on their own output, as repeated clicks do.
TEST(LineRefinementsFastPath, RepeatedClicksMatchReference) {
    TBitmap32 a = testing::ReadBmp24("hopper.bmp"), b = a;
    NoProgress none;
    for (int i = 0; i < 3; ++i) {
        ClearSpots(a, none), smooth(a, none), Shallow(a, none);
        reference::ClearSpots(b, none), reference::smooth(b, none), reference::Shallow(b, none);
    }
    EXPECT_EQ(a, b);
}

}  // namespace
}  // namespace brimlet
