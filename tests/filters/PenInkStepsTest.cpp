// The literal steps of pen and ink against values worked out by hand from the algorithm's
// text, so that a fault shared by the fast and the literal form cannot hide in a
// comparison of the two.
#include "filters/PenInk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace brimlet {
namespace {

TEST(PenInkKernel, HasTwiceCeilThreeSigmaPlusOneTaps) {
    struct Case {
        double sigma;
        int taps;
    };
    // 3 sigma = 0.15, 0.9, 1.02, 1.5, 3, 6 and 15.
    for (Case c : {Case{0.05, 3}, Case{0.3, 3}, Case{0.34, 5}, Case{0.5, 5}, Case{1.0, 7}, Case{2.0, 13},
                   Case{5.0, 31}}) {
        std::vector<double> w;
        int n = 0;
        ASSERT_TRUE(reference::GaussianKernel1D(c.sigma, w, n));
        EXPECT_EQ(n, c.taps) << "sigma " << c.sigma;
        EXPECT_EQ(int(w.size()), c.taps) << "sigma " << c.sigma;
    }
}

TEST(PenInkKernel, WeightsAreTheNormalisedGaussian) {
    std::vector<double> w;
    int n = 0;
    // sigma 1: exp(-d^2 / 2) over 1 + 2 (e^-0.5 + e^-2 + e^-4.5).
    reference::GaussianKernel1D(1.0, w, n);
    ASSERT_EQ(n, 7);
    const double one[] = {0.004433048175243746, 0.054005582622414485, 0.24203622937611432, 0.3990502796524549};
    for (int i = 0; i < 7; ++i) EXPECT_NEAR(w[i], one[i < 4 ? i : 6 - i], 1e-15) << "sigma 1, tap " << i;
    // sigma 0.5: exp(-2 d^2) over 1 + 2 (e^-2 + e^-8).
    reference::GaussianKernel1D(0.5, w, n);
    ASSERT_EQ(n, 5);
    const double half[] = {0.00026386508273735414, 0.10645077197359151, 0.7865707258873423};
    for (int i = 0; i < 5; ++i) EXPECT_NEAR(w[i], half[i < 3 ? i : 4 - i], 1e-15) << "sigma 0.5, tap " << i;
    // sigma 0.05: the side taps are e^-200 of the centre; practically all weight in the centre.
    reference::GaussianKernel1D(0.05, w, n);
    ASSERT_EQ(n, 3);
    EXPECT_EQ(w[1], 1.0);
    EXPECT_NEAR(w[0] / 1.3838965267367375e-87, 1.0, 1e-12);
    EXPECT_EQ(w[0], w[2]);
}

TEST(PenInkSmoothing, RenormalisesAtTheBorders) {
    // A single bright pixel in a 7 x 1 plane at sigma 1 reaches both ends; each end divides by
    // the weights of the taps inside the plane only: 255 w3 / (w0 + w1 + w2 + w3) = 1.616.
    const std::uint8_t gray[7] = {0, 0, 0, 255, 0, 0, 0};
    std::uint8_t smoothed[7] = {};
    ASSERT_TRUE(reference::SmoothGray(PlaneSize{7, 1}, gray, smoothed, 1.0));
    const int expected[7] = {2, 15, 62, 102, 62, 15, 2};
    for (int x = 0; x < 7; ++x) EXPECT_EQ(smoothed[x], expected[x]) << x;
    // Standing up, the same happens in the vertical pass.
    ASSERT_TRUE(reference::SmoothGray(PlaneSize{1, 7}, gray, smoothed, 1.0));
    for (int y = 0; y < 7; ++y) EXPECT_EQ(smoothed[y], expected[y]) << y;
}

// One row of the suppression table: the gradient, and for each side the neighbour weighted
// w (P) and the one weighted 1 - w (Q), as offsets (dx, dy), dy downwards.
struct NmsCase {
    const char* name;
    int gx, gy;
    int p1[2], q1[2], p2[2], q2[2];
};

// Gradients with |gx| : |gy| of 1 : 4 or 4 : 1, so w = 0.25.
const NmsCase kNmsCases[] = {
    {"steep, same signs", 1, 4, {-1, -1}, {0, -1}, {1, 1}, {0, 1}},
    {"steep, same signs, both negative", -1, -4, {-1, -1}, {0, -1}, {1, 1}, {0, 1}},
    {"steep, opposite signs", -1, 4, {1, -1}, {0, -1}, {-1, 1}, {0, 1}},
    {"flat, same signs", 4, 1, {1, 1}, {1, 0}, {-1, -1}, {-1, 0}},
    {"flat, opposite signs", 4, -1, {1, -1}, {1, 0}, {-1, 1}, {-1, 0}},
    {"flat, opposite signs, other way", -4, 1, {1, -1}, {1, 0}, {-1, 1}, {-1, 0}},
};

// Suppression of the centre of a 5 x 5 plane whose centre has magnitude 10 and the given
// gradient; around it magnitudes 10 except where set.
bool CentreIsRidge(const NmsCase& c, const std::vector<std::pair<std::array<int, 2>, int>>& set) {
    const PlaneSize size{5, 5};
    std::vector<std::int32_t> mag(25, 10), gx(25, 0), gy(25, 0);
    gx[12] = c.gx;
    gy[12] = c.gy;
    for (const auto& [at, m] : set) mag[(2 + at[1]) * 5 + 2 + at[0]] = m;
    std::vector<std::uint8_t> marks(25, 77);
    reference::SuppressNonMaxima(mag.data(), gx.data(), gy.data(), size, marks.data());
    EXPECT_TRUE(marks[12] == kCandidate || marks[12] == kNoEdge);
    return marks[12] == kCandidate;
}

TEST(PenInkSuppression, ComparesWithTheNeighboursAlongTheGradient) {
    for (const NmsCase& c : kNmsCases) {
        SCOPED_TRACE(c.name);
        // Equal to both sides: a tie keeps the pixel.
        EXPECT_TRUE(CentreIsRidge(c, {}));
        // A stronger neighbour suppresses it exactly when it is one of the four compared.
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                if (dx == 0 && dy == 0) continue;
                auto is = [&](const int* o) { return o[0] == dx && o[1] == dy; };
                const bool compared = is(c.p1) || is(c.q1) || is(c.p2) || is(c.q2);
                EXPECT_EQ(CentreIsRidge(c, {{{dx, dy}, 12}}), !compared) << "neighbour " << dx << "," << dy;
            }
        // Which of a side's two neighbours carries w = 0.25: with P = 2 and Q = 13 the side is
        // 0.5 + 9.75 = 10.25 > 10; the other way round it is 3.25 + 1.5 = 4.75.
        for (auto [p, q] : {std::pair{c.p1, c.q1}, std::pair{c.p2, c.q2}}) {
            EXPECT_FALSE(CentreIsRidge(c, {{{p[0], p[1]}, 2}, {{q[0], q[1]}, 13}}));
            EXPECT_TRUE(CentreIsRidge(c, {{{p[0], p[1]}, 13}, {{q[0], q[1]}, 2}}));
        }
    }
}

TEST(PenInkThresholds, UpperIsThePercentileOfTheRidgeMagnitudes) {
    // 200 candidates, two at each magnitude 1..100: the share p of them lies at or below
    // magnitude 100 p.
    const PlaneSize size{200, 1};
    std::vector<std::int32_t> mag(200);
    std::vector<std::uint8_t> marks(200, kCandidate);
    for (int i = 0; i < 200; ++i) mag[i] = 1 + i / 2;
    // Target Round(200 p + 0.5), halves to even; the level reached, and lower Round(upper / 2 + 0.5).
    struct Case {
        double p;
        int upper, lower;
    };
    const Case cases[] = {
        {0.0, 1, 1},       // target 0: never below 1
        {0.125, 13, 7},    // Round(25.5) = 26 ridge pixels
        {0.25, 25, 13},    // Round(50.5) = 50
        {0.375, 38, 20},   // Round(75.5) = 76
        {0.5, 50, 26},     // Round(100.5) = 100
        {1.0, 99, 50},     // never above top - 1
    };
    for (const Case& c : cases) {
        const Thresholds t = reference::FindThresholds(mag.data(), size, marks.data(), c.p, 0.5);
        EXPECT_EQ(t.upper, c.upper) << "p " << c.p;
        EXPECT_EQ(t.lower, c.lower) << "p " << c.p;
    }
}

}  // namespace
}  // namespace brimlet
