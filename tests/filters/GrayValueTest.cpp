#include "filters/GrayValue.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace brimlet
