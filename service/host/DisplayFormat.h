#pragma once
#include <string>

namespace tarnel {

// The fixed-point patterns of the status window ("0.0" is decimals 1, "0.00"
// is 2, ...): rounded, at least one digit before the point.
std::string FormatFixed(double dValue, int nDecimals);

// A number in its plain shortest text form, as -1 or 0 or 86.768.
std::string FormatPlain(double dValue);

}  // namespace tarnel
