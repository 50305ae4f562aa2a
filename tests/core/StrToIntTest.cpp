#include "core/StrToInt.h"

#include <gtest/gtest.h>

namespace brimlet {
namespace {

TEST(StrToInt, AcceptsSignedDecimalsInRange) {
    EXPECT_EQ(StrToInt("0"), 0);
    EXPECT_EQ(StrToInt("-12"), -12);
    EXPECT_EQ(StrToInt("+7"), 7);
    EXPECT_EQ(StrToInt("  42"), 42);
    EXPECT_EQ(StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
}

TEST(StrToInt, RejectsWithTheUsersOwnText) {
    for (const char* bad : {"", "-", "--", "5-", "1 2", "12a", "2147483648", "-2147483649", "0x10"}) {
        try {
            StrToInt(bad);
            FAIL() << "accepted '" << bad << "'";
        } catch (const ConversionError& e) {
            EXPECT_EQ(std::string(e.what()), "'" + std::string(bad) + "' is not a valid integer value");
        }
    }
}

}  // namespace
}  // namespace brimlet
