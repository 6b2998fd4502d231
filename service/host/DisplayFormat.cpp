#include "service/host/DisplayFormat.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace tarnel {

namespace {

// printf into a string of the length the result needs (a fixed-point text of
// a large double runs to hundreds of digits).
template <typename... Args>
std::string Printf(const char* strFormat, Args... args) {
    const int nLength = std::snprintf(nullptr, 0, strFormat, args...);
    if (nLength <= 0) return {};
    std::string out(static_cast<std::size_t>(nLength) + 1, '\0');
    std::snprintf(out.data(), out.size(), strFormat, args...);
    out.resize(static_cast<std::size_t>(nLength));
    return out;
}

// True when the value lies exactly half-way between two texts of nDecimals
// decimals. Such a value has at most nDecimals + 1 binary places, so its text
// with one decimal more is exact and ends in 5.
bool IsExactHalf(double dValue, int nDecimals) {
    const double dScaled = std::ldexp(dValue, nDecimals + 1);
    if (!std::isfinite(dScaled) || dScaled != std::trunc(dScaled)) return false;
    const std::string text = Printf("%.*f", nDecimals + 1, dValue);
    return !text.empty() && text.back() == '5';
}

}  // namespace

std::string FormatFixed(double dValue, int nDecimals) {
    // The patterns round a half away from zero; printf would round it to even.
    if (IsExactHalf(dValue, nDecimals)) {
        dValue =
            std::nextafter(dValue, std::copysign(std::numeric_limits<double>::infinity(), dValue));
    }
    std::string out = Printf("%.*f", nDecimals, dValue);
    // A small negative number that rounds to zero shows as zero, not -0.000.
    if (!out.empty() && out.front() == '-' && out.find_first_not_of("-0.") == std::string::npos) {
        out.erase(0, 1);
    }
    return out;
}

std::string FormatPlain(double dValue) { return Printf("%.15g", dValue); }

}  // namespace tarnel
