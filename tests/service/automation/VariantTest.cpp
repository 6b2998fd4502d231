#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "service/automation/Variant.h"

namespace tarnel {
namespace {

struct SingleCase {
    Variant value;
    HRESULT hr;
    float expected;
};

void PrintTo(const SingleCase& c, std::ostream* os) { *os << "\"" << c.value.ToText() << "\""; }

class VariantSingleTest : public ::testing::TestWithParam<SingleCase> {};

TEST_P(VariantSingleTest, ConvertsAsTheAutomationLayerDoes) {
    float rVal = 42.0f;
    EXPECT_EQ(GetParam().value.ToSingle(rVal), GetParam().hr);
    EXPECT_EQ(rVal, GetParam().expected);  // unchanged (42) on failure
}

INSTANTIATE_TEST_SUITE_P(Values, VariantSingleTest,
                         ::testing::Values(SingleCase{Variant(), S_OK, 0.0f},
                                           SingleCase{Variant(true), S_OK, -1.0f},
                                           SingleCase{Variant(std::int32_t{-7}), S_OK, -7.0f},
                                           SingleCase{Variant(1.23456789), S_OK, 1.2345679f},
                                           SingleCase{Variant(" 12.5 "), S_OK, 12.5f},
                                           SingleCase{Variant("+3e2"), S_OK, 300.0f},
                                           SingleCase{Variant("abc"), DISP_E_TYPEMISMATCH, 42.0f},
                                           SingleCase{Variant(""), DISP_E_TYPEMISMATCH, 42.0f},
                                           SingleCase{Variant("1.5x"), DISP_E_TYPEMISMATCH, 42.0f},
                                           SingleCase{Variant(1e300), DISP_E_OVERFLOW, 42.0f}));

TEST(VariantTest, NaNPassesAsNaN) {
    float rVal = 0.0f;
    EXPECT_EQ(Variant(std::numeric_limits<float>::quiet_NaN()).ToSingle(rVal), S_OK);
    EXPECT_TRUE(std::isnan(rVal));
}

TEST(VariantTest, TextHasNineSignificantDigits) {
    EXPECT_EQ(Variant(1.2345679f).ToText(), "1.23456788");
    EXPECT_EQ(Variant(0.1).ToText(), "0.1");
    EXPECT_EQ(Variant("OFF").ToText(), "OFF");
    EXPECT_EQ(Variant().ToText(), "");
}

}  // namespace
}  // namespace tarnel
