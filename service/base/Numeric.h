#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace tarnel {

// The number a configuration text stands for: blanks around it allowed, a sign,
// decimals and an exponent; anything else (also inf, nan, hex) is no number.
std::optional<double> ParseNumber(const std::string& strText);

// Rounds to the nearest whole number, halves to even, and keeps the result
// within the 32-bit range instead of overflowing.
std::int32_t RoundToInt32(double dValue);

}  // namespace tarnel
