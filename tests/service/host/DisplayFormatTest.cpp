#include <gtest/gtest.h>

#include "service/host/DisplayFormat.h"

namespace tarnel {
namespace {

TEST(DisplayFormatTest, FixedPatternsRoundToTheirDecimals) {
    struct Case {
        double value;
        int decimals;
        const char* text;
    };
    const Case cases[] = {{1000.0, 2, "1000.00"},
                          {1000.5, 1, "1000.5"},
                          {100.0, 3, "100.000"},
                          {-1.0, 4, "-1.0000"},
                          {0.99749, 4, "0.9975"},
                          {0.04, 1, "0.0"},
                          {-0.0004, 3, "0.000"},
                          {23585.54, 3, "23585.540"},
                          {-26.85, 2, "-26.85"},
                          // An exact half goes away from zero, not to the even digit.
                          {0.5, 0, "1"},
                          {2.5, 0, "3"},
                          {15.125, 2, "15.13"},
                          {-15.125, 2, "-15.13"},
                          {100.0625, 3, "100.063"},
                          {1000.25, 1, "1000.3"},
                          {1.0, 0, "1"}};
    for (const auto& c : cases) EXPECT_EQ(FormatFixed(c.value, c.decimals), c.text) << c.value;
}

TEST(DisplayFormatTest, LargeValuesKeepEveryDigit) {
    EXPECT_EQ(FormatFixed(1e70, 2).size(), 74u);
    EXPECT_EQ(FormatFixed(-1e308, 2).substr(0, 6), "-10000");
    EXPECT_EQ(FormatFixed(-1e308, 2).size(), 313u);
}

TEST(DisplayFormatTest, PlainFormIsShortest) {
    EXPECT_EQ(FormatPlain(-1.0), "-1");
    EXPECT_EQ(FormatPlain(0.0), "0");
    EXPECT_EQ(FormatPlain(-0.5), "-0.5");
}

}  // namespace
}  // namespace tarnel
