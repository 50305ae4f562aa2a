#include "filters/GrayValue.h"

#include <gtest/gtest.h>

#include <vector>

namespace brimlet {
namespace {

TEST(GrayValue, ExtendedEvaluationDecidesExactHalves) {
    // Both are exact halves (3.5 and 5.5); the extended evaluation sends them different ways.
    EXPECT_EQ(reference::GrayValue(0, 5, 5), 3);
    EXPECT_EQ(reference::GrayValue(0, 0, 50), 6);
    EXPECT_EQ(GrayValue(0, 5, 5), 3);
    EXPECT_EQ(GrayValue(0, 0, 50), 6);
    EXPECT_EQ(reference::GrayValue(255, 255, 255), 255);
    EXPECT_EQ(reference::GrayValue(-100, 0, 0), 0);
    EXPECT_EQ(reference::GrayValue(1000, 1000, 1000), 255);
}

TEST(GrayValue, IntegerFormEqualsReferenceForEveryColour) {
    long long mismatches = 0;
    for (int r = 0; r < 256; ++r)
        for (int g = 0; g < 256; ++g)
            for (int b = 0; b < 256; ++b)
                if (GrayValue(std::uint8_t(r), std::uint8_t(g), std::uint8_t(b)) != reference::GrayValue(r, g, b)) {
                    if (++mismatches <= 5) ADD_FAILURE() << "colour " << r << ", " << g << ", " << b;
                }
    EXPECT_EQ(mismatches, 0);
}

// Every colour once, as rows of one (R, G) with every B, alpha varying; rows of 256 cover the
// vector steps of 16 and, started one pixel in, an odd tail.
TEST(GrayValue, RowFormEqualsReferenceForEveryColourWithAndWithoutVectors) {
    long long mismatches = 0;
    std::vector<std::uint8_t> pixels(4 * 257), gray(257);
    for (int r = 0; r < 256; ++r)
        for (int g = 0; g < 256; ++g) {
            std::uint8_t expected[256];
            for (int b = 0; b < 256; ++b) {
                std::uint8_t* p = pixels.data() + 4 * (b + 1);
                p[0] = std::uint8_t(b), p[1] = std::uint8_t(g), p[2] = std::uint8_t(r), p[3] = std::uint8_t(r ^ b);
                expected[b] = reference::GrayValue(r, g, b);
            }
            const int offset = (r + g) % 2;  // 0: the row alone, 1: one pixel in front
            for (bool simd : {true, false}) {
                detail::SetGrayValuesSimd(simd);
                GrayValuesRow(pixels.data() + 4 * (1 - offset), 256 + offset, gray.data());
                for (int b = 0; b < 256; ++b)
                    if (gray[std::size_t(b + offset)] != expected[b] && ++mismatches <= 5)
                        ADD_FAILURE() << "colour " << r << ", " << g << ", " << b << (simd ? " (vector)" : "");
            }
        }
    detail::SetGrayValuesSimd(true);
    EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace brimlet
