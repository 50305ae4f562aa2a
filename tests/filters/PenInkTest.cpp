#include "core/Parallel.h"
#include "filters/GrayValue.h"
#include "filters/PenInk.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <stdexcept>
#include <tuple>
#include <utility>
#include <vector>

namespace brimlet {
namespace {

constexpr std::uint32_t kInk = 0xFF000000u;
constexpr std::uint32_t kPaper = 0x00FFFFFFu;

std::uint32_t At(const TBitmap32& p, int x, int y) { return LoadPixel(p.ScanLine(y) + 4 * x); }

TBitmap32 Gray(int width, int height, const std::function<int(int, int)>& value) {
    TBitmap32 picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int v = std::clamp(value(x, y), 0, 255);
            StorePixel(picture.ScanLine(y) + 4 * x, 0x80000000u | std::uint32_t(v) * 0x010101u);
        }
    return picture;
}

// Soft blobs, ramps at several slopes (their flat magnitudes make exact ties in the
// suppression), hard steps and noise, in colour.
TBitmap32 Synthetic(int width, int height, std::uint32_t seed) {
    TBitmap32 picture(width, height);
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0, 1);
    const double cx = u(rng) * width, cy = u(rng) * height, slope = 1 + 3 * u(rng);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            double v;
            if (x < width / 3) v = slope * x + 2 * y;  // ramp
            else if (y < height / 2) v = 200 * std::exp(-((x - cx) * (x - cx) + (y - cy) * (y - cy)) / 60.0);
            else v = ((x / 7 + y / 5) % 2) ? 180 : 40;  // steps
            v += int(rng() % 7) - 3;
            std::uint8_t* p = picture.ScanLine(y) + 4 * x;
            p[kB] = std::uint8_t(std::clamp(v, 0.0, 255.0));
            p[kG] = std::uint8_t(std::clamp(v * 0.8 + 20, 0.0, 255.0));
            p[kR] = std::uint8_t(std::clamp(255 - v, 0.0, 255.0));
            p[kA] = std::uint8_t(rng());
        }
    return picture;
}

// Every test of the whole routine runs with the vector instructions allowed and without.
class PenInkPath : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { detail::SetPenInkSimd(GetParam()); }
    void TearDown() override { detail::SetPenInkSimd(true); }
};

TEST(PenInkSettings, FollowTheSliders) {
    const PenInkSettings d = PenInkSettings::FromSliders(6, 10, 20);
    EXPECT_EQ(d.sigma, double(6 * 0.05L));
    EXPECT_EQ(d.upperFraction, 0.5);
    EXPECT_EQ(d.lowerRatio, 0.5);
    const PenInkSettings e = PenInkSettings::FromSliders(101, 20, 40);
    EXPECT_EQ(e.sigma, double(101 * 0.05L));
    EXPECT_EQ(e.upperFraction, 0.0);
    EXPECT_EQ(e.lowerRatio, 0.0);
    EXPECT_EQ(PenInkSettings::FromSliders(1, 0, 0).upperFraction, 1.0);
}

TEST_P(PenInkPath, UniformPictureIsWhitePaper) {
    for (int trackBar3 : {1, 6, 40}) {
        TBitmap32 picture = Gray(23, 17, [](int, int) { return 77; });
        PenInkBmp(picture, PenInkSettings::FromSliders(trackBar3, 10, 20));
        for (int y = 0; y < 17; ++y)
            for (int x = 0; x < 23; ++x) ASSERT_EQ(At(picture, x, y), kPaper);
    }
}

TEST_P(PenInkPath, StepGivesATwoPixelLine) {
    const int w = 30, h = 21;
    TBitmap32 across = Gray(w, h, [](int x, int) { return x < 15 ? 0 : 255; });
    TBitmap32 down = Gray(w, h, [](int, int y) { return y < 10 ? 255 : 0; });
    PenInkBmp(across, PenInkSettings::FromSliders(6, 10, 20));
    PenInkBmp(down, PenInkSettings::FromSliders(6, 10, 20));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool lineAcross = (x == 14 || x == 15) && y >= 1 && y <= h - 2;
            const bool lineDown = (y == 9 || y == 10) && x >= 1 && x <= w - 2;
            ASSERT_EQ(At(across, x, y), lineAcross ? kInk : kPaper) << x << "," << y;
            ASSERT_EQ(At(down, x, y), lineDown ? kInk : kPaper) << x << "," << y;
        }
}

TEST_P(PenInkPath, DiagonalStepsKeepOnlyTheLineAcrossTheGradient) {
    // A step of 200 along x + y (gradient down and right) or x - y (up and right): the two
    // diagonals beside it have gx = +-gy = 200, a magnitude limited to 255, and are compared
    // with the neighbours across the line, which have none. Comparing with a neighbour
    // along the line instead would thin or remove it.
    const int w = 29, h = 23, k = 25;
    struct Case {
        const char* name;
        std::function<int(int, int)> t;  // the line lies at t = -1 and t = 0
    };
    for (const Case& c : {Case{"down", [](int x, int y) { return x + y - k; }},
                          Case{"up", [](int x, int y) { return x - y; }}}) {
        SCOPED_TRACE(c.name);
        TBitmap32 picture = Gray(w, h, [&](int x, int y) { return c.t(x, y) < 0 ? 0 : 200; });
        PenInkBmp(picture, PenInkSettings::FromSliders(1, 10, 20));
        int ink = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const bool interior = x >= 1 && x <= w - 2 && y >= 1 && y <= h - 2;
                const bool line = interior && (c.t(x, y) == -1 || c.t(x, y) == 0);
                ink += line;
                ASSERT_EQ(At(picture, x, y), line ? kInk : kPaper) << x << "," << y;
            }
        EXPECT_GT(ink, 30);
    }
}

// Vertical steps of 2, 4, .., 20 gray levels, 4 columns apart, unsmoothed (sigma 0.05):
// each gives two columns of candidates of magnitude Round(d + 0.5) = d over rows 1..H-2, so
// every level holds the same number of candidates and the percentile is known.
TEST_P(PenInkPath, UpperThresholdIsThePercentileOfTheRidgeMagnitudes) {
    const int h = 12, w = 4 * 10 + 4;
    auto stepAt = [](int i) { return 4 + 4 * i; };  // step i (height 2i + 2) starts at this column
    TBitmap32 staircase = Gray(w, h, [&](int x, int) {
        int v = 0;
        for (int i = 0; i < 10; ++i)
            if (x >= stepAt(i)) v += 2 * i + 2;
        return v;
    });
    struct Case {
        int trackBar6;   // p = (40 - TrackBar6) / 40
        int lowestStep;  // steps of this height and more are ink
    };
    // 10 levels of 20 candidates. p 0.5: target Round(100.5) = 100, reached at level 10.
    // p 0.25: Round(50.5) = 50, reached at level 6. p 1: never above top - 1 = 19, so only
    // the step of 20. p 0: the upper threshold is 1, every candidate is ink.
    for (Case c : {Case{20, 10}, Case{30, 6}, Case{0, 20}, Case{40, 2}}) {
        TBitmap32 picture = staircase;
        PenInkBmp(picture, PenInkSettings::FromSliders(1, 10, c.trackBar6));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                bool line = false;
                for (int i = 0; i < 10; ++i)
                    line |= 2 * i + 2 >= c.lowestStep && (x == stepAt(i) - 1 || x == stepAt(i));
                line &= y >= 1 && y <= h - 2;
                ASSERT_EQ(At(picture, x, y), line ? kInk : kPaper)
                    << "TrackBar6 " << c.trackBar6 << " at " << x << "," << y;
            }
    }
}

// Candidates with magnitudes 2, 3, 3, 5, 7, 7 (and one non-candidate of 9).
struct ThresholdPlane {
    std::vector<std::int32_t> magnitude{2, 3, 3, 5, 7, 7, 9};
    std::vector<std::uint8_t> marks{kCandidate, kCandidate, kCandidate, kCandidate, kCandidate, kCandidate, kNoEdge};
    PlaneSize size{7, 1};
    Thresholds Find(double p, double q) const {
        return reference::FindThresholds(magnitude.data(), size, marks.data(), p, q);
    }
};

TEST(PenInkThresholds, FollowTheShareOfRidgePixels) {
    const ThresholdPlane t;
    // p = 0: target Round(0.5) = 0, upper 1; q = 0: lower Round(0.5) = 0.
    EXPECT_EQ(t.Find(0, 0).upper, 1);
    EXPECT_EQ(t.Find(0, 0).lower, 0);
    // p = 0.25: target 2, reached at level 3; q = 1: Round(3.5) = 4.
    EXPECT_EQ(t.Find(0.25, 1).upper, 3);
    EXPECT_EQ(t.Find(0.25, 1).lower, 4);
    // p = 0.5: target Round(3.5) = 4, reached at level 5; lower Round(3.0) = 3.
    EXPECT_EQ(t.Find(0.5, 0.5).upper, 5);
    EXPECT_EQ(t.Find(0.5, 0.5).lower, 3);
    // p = 1: never above top - 1 (top is 7; the 9 is no candidate); Round(3.5) = 4.
    EXPECT_EQ(t.Find(1, 0.5).upper, 6);
    EXPECT_EQ(t.Find(1, 0.5).lower, 4);
    // No candidates at all: upper 1.
    const std::vector<std::uint8_t> none(7, kNoEdge);
    EXPECT_EQ(reference::FindThresholds(t.magnitude.data(), t.size, none.data(), 0.5, 1).upper, 1);
}

TEST(PenInkHysteresis, AcceptsWeakRidgesOnlyWhenJoinedToAStrongOne) {
    // 9 x 5 plane; a weak chain joined diagonally to a strong pixel, and a weak chain alone.
    const PlaneSize size{9, 5};
    std::vector<std::int32_t> mag(45, 0);
    std::vector<std::uint8_t> marks(45, kNoEdge);
    auto put = [&](int x, int y, int m) {
        mag[y * 9 + x] = m;
        marks[y * 9 + x] = kCandidate;
    };
    put(1, 1, 10);  // strong
    put(2, 2, 4);
    put(3, 3, 4);
    put(4, 2, 4);
    put(4, 1, 2);  // below the lower threshold: stops the chain
    put(7, 1, 4);  // weak, alone
    put(7, 2, 4);
    reference::EdgeStack stack;
    stack.entries.resize(45);
    // Magnitudes 2, 4 x 5, 10: p = 0.9 gives target 7 and upper 9 (top - 1); q = 0.4 gives lower 4.
    reference::LinkEdges(mag.data(), size, 0.9, 0.4, marks.data(), stack);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 9; ++x) {
            const bool edge = (x == 1 && y == 1) || (x == 2 && y == 2) || (x == 3 && y == 3) || (x == 4 && y == 2);
            EXPECT_EQ(marks[y * 9 + x], edge ? kEdge : kNoEdge) << x << "," << y;
        }
}

TEST_P(PenInkPath, EveryRidgeBecomesInkWithTheLowestUpperThreshold) {
    // TrackBar6 at 40 makes the upper threshold 1: the ink is exactly the ridge set.
    TBitmap32 picture = Synthetic(41, 37, 3);
    const PlaneSize size{41, 37};
    std::vector<std::uint8_t> gray(41 * 37), smoothed(41 * 37), ridges(41 * 37);
    std::vector<std::int32_t> gx(41 * 37), gy(41 * 37), mag(41 * 37);
    for (int y = 0; y < 37; ++y)
        for (int x = 0; x < 41; ++x) {
            const std::uint8_t* p = picture.ScanLine(y) + 4 * x;
            gray[y * 41 + x] = reference::GrayValue(p[kR], p[kG], p[kB]);
        }
    const PenInkSettings s = PenInkSettings::FromSliders(6, 10, 40);
    reference::SmoothGray(size, gray.data(), smoothed.data(), s.sigma);
    reference::GradientMagnitude(size, smoothed.data(), gx.data(), gy.data(), mag.data());
    reference::SuppressNonMaxima(mag.data(), gx.data(), gy.data(), size, ridges.data());
    PenInkBmp(picture, s);
    int ink = 0;
    for (int y = 0; y < 37; ++y)
        for (int x = 0; x < 41; ++x) {
            const bool ridge = ridges[y * 41 + x] == kCandidate;
            ink += ridge;
            ASSERT_EQ(At(picture, x, y), ridge ? kInk : kPaper) << x << "," << y;
        }
    EXPECT_GT(ink, 100);
}

TEST_P(PenInkPath, MatchesReferenceAtManySettings) {
    struct Sliders {
        int trackBar3, trackBar5, trackBar6;
    };
    const Sliders settings[] = {{6, 10, 20}, {1, 10, 20}, {40, 10, 20}, {101, 10, 20},
                                {6, 20, 40}, {6, 0, 0},   {15, 5, 30},  {9, 20, 0}};
    struct Size {
        int width, height;
    };
    const Size sizes[] = {{67, 45}, {33, 81}, {1, 1}, {2, 2}, {3, 3}, {1, 19}, {19, 1}, {4, 40}, {40, 4}};
    std::uint32_t seed = 10;
    for (const Sliders& sl : settings)
        for (const Size& sz : sizes) {
            const PenInkSettings s = PenInkSettings::FromSliders(sl.trackBar3, sl.trackBar5, sl.trackBar6);
            TBitmap32 fast = Synthetic(sz.width, sz.height, seed++);
            TBitmap32 slow = fast;
            PenInkBmp(fast, s);
            reference::PenInkBmp(slow, s);
            SCOPED_TRACE(std::to_string(sz.width) + "x" + std::to_string(sz.height) + " sliders " +
                         std::to_string(sl.trackBar3) + "/" + std::to_string(sl.trackBar5) + "/" +
                         std::to_string(sl.trackBar6));
            ASSERT_TRUE(fast == slow);
        }
}

// Faint curves that wander in every direction, doubling back up and to the left over many
// 64-pixel words, joined here and there to strong strokes: the hysteresis has to follow
// connections that reach back into rows it has already finished.
TBitmap32 SnakingRidges(int width, int height, std::uint32_t seed) {
    TBitmap32 picture(width, height);
    std::vector<int> level(std::size_t(width) * height, 128);
    std::mt19937 rng(seed);
    for (int snake = 0; snake < 12; ++snake) {
        int x = int(rng() % width), y = int(rng() % height);
        const int strength = snake % 4 == 0 ? 120 : 14 + int(rng() % 10);
        for (int step = 0; step < 6 * width; ++step) {
            level[std::size_t(y) * width + x] = 128 - strength;
            switch (rng() % 8) {
                case 0: case 1: case 2: x += (step / width) % 2 ? -1 : 1; break;  // long runs both ways
                case 3: y -= 1; break;
                case 4: y += 1; break;
                case 5: x -= 1; y -= 1; break;
                default: break;
            }
            x = std::clamp(x, 1, width - 2);
            y = std::clamp(y, 1, height - 2);
        }
    }
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = std::uint32_t(level[std::size_t(y) * width + x]);
            StorePixel(picture.ScanLine(y) + 4 * x, v * 0x010101u);
        }
    return picture;
}

TEST_P(PenInkPath, LongWanderingRidgesMatchReferenceAcrossWordsAndThreads) {
    const int sizes[][2] = {{517, 83}, {1000, 41}, {130, 300}};
    const int sliders[][3] = {{6, 10, 20}, {6, 0, 10}, {20, 5, 30}, {3, 20, 40}};
    std::uint32_t seed = 100;
    for (const auto& size : sizes)
        for (const auto& sl : sliders) {
            const PenInkSettings s = PenInkSettings::FromSliders(sl[0], sl[1], sl[2]);
            const TBitmap32 source = SnakingRidges(size[0], size[1], seed++);
            TBitmap32 slow = source;
            reference::PenInkBmp(slow, s);
            std::size_t ink = 0;
            for (std::size_t k = 0; k < slow.ByteCount(); k += 4) ink += slow.Bits()[k + 3] == 255;
            ASSERT_GT(ink, std::size_t(size[0]));  // the curves really are traced
            for (int threads : {1, 2, 3}) {
                SetWorkerThreads(threads);
                TBitmap32 fast = source;
                PenInkBmp(fast, s);
                SCOPED_TRACE(std::to_string(size[0]) + "x" + std::to_string(size[1]) + " threads " +
                             std::to_string(threads) + " sliders " + std::to_string(sl[0]) + "/" +
                             std::to_string(sl[1]) + "/" + std::to_string(sl[2]));
                ASSERT_TRUE(fast == slow);
            }
            SetWorkerThreads(0);
        }
}

// A faint serpentine that runs the whole height down and up again, crossing the border
// between every band of rows many times, with its only strong stretch at the bottom end;
// beside it a faint serpentine with no strong stretch. Threads split the rows into bands,
// so the first must become ink across all of them and the second must stay paper.
TBitmap32 Serpentines(int width, int height) {
    TBitmap32 picture = Gray(width, height, [](int, int) { return 128; });
    auto dab = [&](int x, int y, int level) { StorePixel(picture.ScanLine(y) + 4 * x, std::uint32_t(level) * 0x010101u); };
    const int half = width / 2;
    for (int part = 0; part < 2; ++part) {
        const int x0 = part * half + 3, x1 = part * half + half - 4;
        for (int x = x0, down = 1; x + 6 <= x1; x += 6, down ^= 1) {
            for (int y = 3; y <= height - 4; ++y) dab(x, y, 110);   // the long faint run
            const int turn = down ? height - 4 : 3;                 // and the turn to the next
            for (int k = 1; k < 6; ++k) dab(x + k, turn, 110);
        }
    }
    for (int y = height - 20; y <= height - 4; ++y) dab(3, y, 0);   // the strong stretch
    return picture;
}

TEST_P(PenInkPath, ConnectionsWindingThroughEveryBandMatchReferenceOnEveryThreadCount) {
    const PenInkSettings s = PenInkSettings::FromSliders(6, 18, 0);  // only the strongest seed, faint runs pass
    for (auto [width, height] : {std::pair{150, 200}, std::pair{260, 97}}) {
        const TBitmap32 source = Serpentines(width, height);
        TBitmap32 slow = source;
        reference::PenInkBmp(slow, s);
        int left = 0, right = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) (x < width / 2 ? left : right) += At(slow, x, y) == kInk;
        ASSERT_GT(left, 10 * height);  // the winding run is traced end to end
        ASSERT_EQ(right, 0);
        for (int threads : {1, 2, 3, 5, 8}) {
            SetWorkerThreads(threads);
            TBitmap32 fast = source;
            PenInkBmp(fast, s);
            ASSERT_TRUE(fast == slow) << width << "x" << height << " threads " << threads;
        }
        SetWorkerThreads(0);
    }
}

TEST_P(PenInkPath, RealPhotosMatchReferenceOnEveryThreadCount) {
    for (const char* name : {"hopper.bmp", "rgb24.bmp"}) {
        const TBitmap32 photo = testing::ReadBmp24(name);
        ASSERT_FALSE(photo.Empty()) << name;
        for (auto [a, b, c] : {std::tuple{6, 10, 20}, {6, 20, 0}, {30, 0, 40}, {2, 5, 25}}) {
            const PenInkSettings s = PenInkSettings::FromSliders(a, b, c);
            TBitmap32 slow = photo;
            reference::PenInkBmp(slow, s);
            for (int threads : {1, 2, 3}) {
                SetWorkerThreads(threads);
                TBitmap32 fast = photo;
                PenInkBmp(fast, s);
                ASSERT_TRUE(fast == slow) << name << " threads " << threads << " sliders " << a << "/" << b << "/" << c;
            }
            SetWorkerThreads(0);
        }
    }
}

TEST_P(PenInkPath, NoisePictureMatchesReferenceAndKeepsWhiteBorders) {
    std::mt19937 rng(7);
    TBitmap32 fast(131, 97);
    for (std::size_t k = 0; k < fast.ByteCount(); ++k) fast.Bits()[k] = std::uint8_t(rng());
    TBitmap32 slow = fast;
    const PenInkSettings s = PenInkSettings::FromSliders(6, 20, 40);  // as much ink as possible
    PenInkBmp(fast, s);
    reference::PenInkBmp(slow, s);
    ASSERT_TRUE(fast == slow);
    for (int x = 0; x < 131; ++x) EXPECT_EQ(At(fast, x, 0), kPaper) << x;
    for (int x = 0; x < 131; ++x) EXPECT_EQ(At(fast, x, 96), kPaper) << x;
    for (int y = 0; y < 97; ++y) EXPECT_EQ(At(fast, 0, y), kPaper) << y;
    for (int y = 0; y < 97; ++y) EXPECT_EQ(At(fast, 130, y), kPaper) << y;
}

TEST(PenInk, DrawingIntoAnotherPictureMatchesTheInPlaceForm) {
    SetWorkerThreads(2);
    const TBitmap32 source = Synthetic(150, 90, 5);
    const PenInkSettings s = PenInkSettings::FromSliders(20, 10, 20);
    TBitmap32 inPlace = source;
    PenInkBmp(inPlace, s);
    // Targets that must grow, shrink, keep their memory (same byte count) or start empty.
    for (TBitmap32 target : {TBitmap32(3, 2), TBitmap32(400, 300), TBitmap32(90, 150), TBitmap32()}) {
        PenInkBmp(source, target, s);
        ASSERT_TRUE(target == inPlace) << target.Width() << " x " << target.Height();
    }
    TBitmap32 target(5, 5);
    PenInkBmp(TBitmap32(), target, s);
    EXPECT_TRUE(target.Empty());
    SetWorkerThreads(0);
}

TEST(PenInk, RejectsBadSettingsWithoutTouchingThePicture) {
    TBitmap32 picture = Synthetic(9, 9, 1);
    const TBitmap32 before = picture;
    PenInkSettings zero = PenInkSettings::FromSliders(0, 10, 20);
    PenInkSettings nan;
    nan.upperFraction = std::nan("");
    EXPECT_THROW(PenInkBmp(picture, zero), std::invalid_argument);
    EXPECT_THROW(PenInkBmp(picture, nan), std::invalid_argument);
    EXPECT_THROW(reference::PenInkBmp(picture, zero), std::invalid_argument);
    EXPECT_TRUE(picture == before);
    TBitmap32 empty;
    EXPECT_NO_THROW(PenInkBmp(empty, PenInkSettings{}));
}

INSTANTIATE_TEST_SUITE_P(Paths, PenInkPath, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Vector" : "Portable"; });

}  // namespace
}  // namespace brimlet
