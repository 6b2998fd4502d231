#pragma once

namespace tarnel {

// The conversions between the units that streams and the calculator read and
// write, as published for the plant's instruments.
inline constexpr double kCelsiusOffset = 273.15;             // K at 0 deg C
inline constexpr double kRankineOffset = 491.67;             // R at 0 deg C
inline constexpr double kKelvinPerRankine = 0.555555555555556;  // the published factor, not 5/9
inline constexpr double kPsiPerBar = 14.50377;

}  // namespace tarnel
