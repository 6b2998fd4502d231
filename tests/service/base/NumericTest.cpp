#include <gtest/gtest.h>

#include <limits>

#include "service/base/Numeric.h"

namespace tarnel {
namespace {

TEST(ParseNumberTest, AcceptsConfigurationNumbersOnly) {
    const std::pair<const char*, std::optional<double>> cases[] = {
        {"45.99", 45.99}, {" 2 ", 2.0}, {"-5", -5.0},  {"+3.5", 3.5}, {"1e3", 1000.0},
        {"0101", 101.0},  {".5", 0.5},  {"", {}},      {"   ", {}},   {"abc", {}},
        {"12abc", {}},    {"1 2", {}},  {"+-1", {}},   {"+", {}},     {"inf", {}},
        {"nan", {}},      {"0x10", {}}, {"1e999", {}}, {"\t1", {}}};
    for (const auto& [text, value] : cases)
        EXPECT_EQ(ParseNumber(text), value) << '"' << text << '"';
}

TEST(RoundToInt32Test, RoundsHalvesToEvenAndStaysInRange) {
    const std::pair<double, std::int32_t> cases[] = {
        {2.5, 2},
        {3.5, 4},
        {-2.5, -2},
        {0.49, 0},
        {-5.0, -5},
        {1e20, std::numeric_limits<std::int32_t>::max()},
        {-1e20, std::numeric_limits<std::int32_t>::min()}};
    for (const auto& [value, expected] : cases) EXPECT_EQ(RoundToInt32(value), expected) << value;
}

}  // namespace
}  // namespace tarnel
