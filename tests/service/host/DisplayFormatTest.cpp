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
    const Case cases[] = {{1000.0, 2, "1000.00"},     {1000.5, 1, "1000.5"},
                          {100.0, 3, "100.000"},      {-1.0, 4, "-1.0000"},
                          {0.99749, 4, "0.9975"},     {0.5, 0, "0"},
                          {0.04, 1, "0.0"},           {-0.0004, 3, "0.000"},
                          {23585.54, 3, "23585.540"}, {-26.85, 2, "-26.85"}};
    for (const auto& c : cases) EXPECT_EQ(FormatFixed(c.value, c.decimals), c.text) << c.value;
}

TEST(DisplayFormatTest, PlainFormIsShortest) {
    EXPECT_EQ(FormatPlain(-1.0), "-1");
    EXPECT_EQ(FormatPlain(0.0), "0");
    EXPECT_EQ(FormatPlain(-0.5), "-0.5");
}

}  // namespace
}  // namespace tarnel
