#include "filters/GaussianBlur.h"

#include "core/Parallel.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

namespace brimlet {
namespace {

TBitmap32 RandomPicture(int width, int height, std::uint32_t seed) {
    TBitmap32 picture(width, height);
    std::mt19937 rng(seed);
    for (std::size_t k = 0; k < picture.ByteCount(); ++k) picture.Bits()[k] = std::uint8_t(rng());
    return picture;
}

TBitmap32 Uniform(int width, int height, std::uint32_t bgra) {
    TBitmap32 picture(width, height);
    for (std::size_t k = 0; k < picture.ByteCount(); k += 4) StorePixel(picture.Bits() + k, bgra);
    return picture;
}

std::uint32_t At(const TBitmap32& p, int x, int y) { return LoadPixel(p.ScanLine(y) + 4 * x); }

// Runs the blur on both code paths of the production form.
template <typename F>
void ForBothPaths(F&& f) {
    detail::SetBlurSimd(true);
    f("vector");
    detail::SetBlurSimd(false);
    f("portable");
    detail::SetBlurSimd(true);
}

TEST(GaussianKernel, MatchesTheTellingKernels) {
    std::int32_t total = 0;
    auto k1 = GaussianKernel2D(1, 1.0, total);
    EXPECT_EQ(total, 783);
    EXPECT_EQ(k1, (std::vector<std::int32_t>{59, 97, 59, 97, 159, 97, 59, 97, 59}));

    auto k5 = GaussianKernel2D(5, 5.0, total);
    EXPECT_EQ(total, 534);
    std::vector<std::int32_t> centre(k5.begin() + 5 * 11, k5.begin() + 6 * 11);
    EXPECT_EQ(centre, (std::vector<std::int32_t>{4, 5, 5, 6, 6, 6, 6, 6, 5, 5, 4}));

    auto k10 = GaussianKernel2D(10, 10.0, total);
    EXPECT_EQ(total, 478);
    EXPECT_EQ(k10[10 * 21 + 10], 2);
    EXPECT_EQ(k10[0], 1);
    EXPECT_EQ(k10[10 * 21], 1);
    for (std::int32_t w : k10) EXPECT_TRUE(w == 1 || w == 2);
}

TEST(GaussianBlur, SingleWhitePixelSpreadsToItsNeighbours) {
    ForBothPaths([](const char* path) {
        TBitmap32 picture = Uniform(7, 7, 0x40000000);
        StorePixel(picture.ScanLine(3) + 12, 0x80FFFFFF);
        GaussianBlur(picture, 1, 1.0);
        SCOPED_TRACE(path);
        EXPECT_EQ(At(picture, 3, 3), 0x80333333u);  // 51
        EXPECT_EQ(At(picture, 2, 3), 0x401F1F1Fu);  // 31
        EXPECT_EQ(At(picture, 3, 4), 0x401F1F1Fu);
        EXPECT_EQ(At(picture, 2, 2), 0x40131313u);  // 19
        EXPECT_EQ(At(picture, 4, 4), 0x40131313u);
        EXPECT_EQ(At(picture, 1, 3), 0x40000000u);
    });
}

TEST(GaussianBlur, UniformPictureAndAlphaStayAsTheyWere) {
    ForBothPaths([](const char* path) {
        for (int radius : {1, 5, 10}) {
            TBitmap32 picture = Uniform(37, 29, 0x00C87D13);
            // Alpha varies; the blur must not touch it.
            for (std::size_t k = 3; k < picture.ByteCount(); k += 4) picture.Bits()[k] = std::uint8_t(k * 7);
            TBitmap32 before = picture;
            GaussianBlur(picture, radius, radius);
            SCOPED_TRACE(std::string(path) + " radius " + std::to_string(radius));
            EXPECT_TRUE(picture == before);
        }
    });
}

TEST(GaussianBlur, CornerIsTheMeanOfItsInPictureQuarter) {
    // 2 x 2 picture, sigma 1: every pixel sees only weights 159, 97, 97, 59 (sum 412).
    ForBothPaths([](const char* path) {
        TBitmap32 picture(2, 2);
        const std::uint8_t v[4] = {200, 10, 30, 255};
        for (int k = 0; k < 4; ++k) StorePixel(picture.Bits() + 4 * k, 0xFF000000u | v[k] * 0x010101u);
        GaussianBlur(picture, 1, 1.0);
        const int expect = (159 * 200 + 97 * 10 + 97 * 30 + 59 * 255) / 412;
        SCOPED_TRACE(path);
        EXPECT_EQ(At(picture, 0, 0), 0xFF000000u | std::uint32_t(expect) * 0x010101u);
    });
}

TEST(GaussianBlur, MatchesReferenceOnRandomPictures) {
    struct Case {
        int width, height, radius;
        double sigma;
    };
    std::vector<Case> cases;
    for (int r = 1; r <= 10; ++r) cases.push_back({61 + 2 * r, 43 + r, r, double(r)});
    // Pictures smaller than the kernel and thin ones go through the border rule only.
    for (int r : {1, 3, 10}) {
        cases.push_back({5, 5, r, double(r)});
        cases.push_back({1, 1, r, double(r)});
        cases.push_back({2, 2, r, double(r)});
        cases.push_back({1, 33, r, double(r)});
        cases.push_back({33, 1, r, double(r)});
    }
    // Radius other than sigma, derived radius, fractional and negative sigma.
    cases.push_back({50, 41, 3, 1.5});
    cases.push_back({50, 41, 8, 2.0});
    cases.push_back({50, 41, 2, 7.0});
    cases.push_back({50, 41, 0, 3.0});
    cases.push_back({50, 41, 0, -2.6});
    cases.push_back({50, 41, 12, 12.0});
    // Weights too large for 16-bit sums, and a sigma whose weights all round to 0.
    cases.push_back({23, 19, 2, 0.05});
    cases.push_back({23, 19, 3, 20.0});
    std::uint32_t seed = 1;
    ForBothPaths([&](const char* path) {
        for (const Case& c : cases) {
            TBitmap32 fast = RandomPicture(c.width, c.height, seed++);
            TBitmap32 slow = fast;
            // From the picture into a stale target of the same byte count (whose old pixels,
            // alpha included, must not show through), then in place.
            TBitmap32 target = fast;
            target.InvertRect({0, 0, target.Width(), target.Height()});
            GaussianBlur(fast, target, c.radius, c.sigma);
            GaussianBlur(fast, c.radius, c.sigma);
            reference::GaussianBlur(slow, c.radius, c.sigma);
            SCOPED_TRACE(std::string(path) + " " + std::to_string(c.width) + "x" + std::to_string(c.height) +
                         " radius " + std::to_string(c.radius) + " sigma " + std::to_string(c.sigma));
            EXPECT_TRUE(fast == slow);
            EXPECT_TRUE(target == slow) << "into a target";
        }
    });
}

TEST(GaussianBlur, ThreadsDoNotChangeTheResult) {
    // Each row range reads rows of its neighbours, which they overwrite at the same time.
    TBitmap32 original = RandomPicture(203, 517, 99);
    for (int radius : {1, 5, 10}) {
        TBitmap32 slow = original;
        reference::GaussianBlur(slow, radius, radius);
        for (int threads : {1, 3, 7}) {
            SetWorkerThreads(threads);
            TBitmap32 fast = original;
            TBitmap32 target;
            GaussianBlur(fast, target, radius, radius);
            EXPECT_TRUE(target == slow) << threads << " threads, radius " << radius << ", into a target";
            GaussianBlur(fast, radius, radius);
            EXPECT_TRUE(fast == slow) << threads << " threads, radius " << radius;
        }
    }
    SetWorkerThreads(0);
}

TEST(GaussianBlur, ThreeByThreeKernelsMatchTheLiteralSum) {
    // Radius 1 with sigmas from a heavy centre (total near the 4096 limit of the direct 3 x 3
    // form, and past it) to nearly flat weights; widths leave 0 to 3 pixels after the last
    // block of four, heights include the 3 rows where the first and last row share their
    // neighbour; pictures under 3 rows or columns are all border.
    const double sigmas[] = {1.0, 0.2, 0.19, 0.45, 0.7, 2.5, 9.0};
    struct Size {
        int width, height;
    };
    const Size sizes[] = {{3, 3}, {4, 3}, {3, 40}, {6, 5}, {7, 9}, {8, 70}, {9, 4}, {21, 33}, {66, 65},
                          {1, 9}, {9, 1}, {2, 2}, {2, 17}};
    std::uint32_t seed = 300;
    ForBothPaths([&](const char* path) {
        for (double sigma : sigmas)
            for (const Size& size : sizes)
                for (int threads : {1, 3}) {
                    SetWorkerThreads(threads);
                    TBitmap32 fast = RandomPicture(size.width, size.height, seed++);
                    TBitmap32 slow = fast;
                    GaussianBlur(fast, 1, sigma);
                    reference::GaussianBlur(slow, 1, sigma);
                    SCOPED_TRACE(std::string(path) + " " + std::to_string(size.width) + "x" +
                                 std::to_string(size.height) + " sigma " + std::to_string(sigma) + " threads " +
                                 std::to_string(threads));
                    ASSERT_TRUE(fast == slow);
                }
    });
    SetWorkerThreads(0);
}

TEST(GaussianBlur, ThreeByThreeQuotientsAreExactAtEveryLevel) {
    // Uniform pictures make every sum level x total, the sums whose quotient sits exactly on
    // an integer; one level below, the remainder is the largest.
    ForBothPaths([&](const char* path) {
        for (int v = 0; v < 256; ++v) {
            TBitmap32 flat = Uniform(37, 6, 0x10000000u * (v & 15) | std::uint32_t(v) * 0x010101u);
            const TBitmap32 before = flat;
            GaussianBlur(flat, 1, 1.0);
            ASSERT_TRUE(flat == before) << path << " level " << v;
        }
        // A dark dot among light pixels makes sums just below a multiple of the total.
        TBitmap32 dots = Uniform(12, 12, 0x00FFFFFFu);
        StorePixel(dots.ScanLine(5) + 4 * 5, 0x00FEFEFEu);
        TBitmap32 slow = dots;
        GaussianBlur(dots, 1, 1.0);
        reference::GaussianBlur(slow, 1, 1.0);
        EXPECT_TRUE(dots == slow) << path;
        EXPECT_EQ(At(dots, 5, 5), 0x00FEFEFEu) << path;  // (783 * 255 - 159) / 783 = 254
    });
}

TEST(GaussianBlur, RejectsBadArgumentsWithoutTouchingThePicture) {
    TBitmap32 picture = RandomPicture(9, 9, 5);
    const TBitmap32 before = picture;
    EXPECT_THROW(GaussianBlur(picture, -1, 2.0), std::invalid_argument);
    EXPECT_THROW(GaussianBlur(picture, 3, 0.0), std::invalid_argument);
    EXPECT_THROW(GaussianBlur(picture, 3, std::nan("")), std::invalid_argument);
    EXPECT_THROW(GaussianBlur(picture, 3, 1e-6), std::invalid_argument);
    EXPECT_THROW(reference::GaussianBlur(picture, 3, 0.0), std::invalid_argument);
    TBitmap32 target(3, 2);
    const TBitmap32 targetBefore = target;
    EXPECT_THROW(GaussianBlur(picture, target, 3, 0.0), std::invalid_argument);
    EXPECT_TRUE(target == targetBefore);
    EXPECT_TRUE(picture == before);
    TBitmap32 empty;
    EXPECT_NO_THROW(GaussianBlur(empty, 5, 5.0));
}

}  // namespace
}  // namespace brimlet
