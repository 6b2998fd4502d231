#include "service/host/DisplayFormat.h"

#include <cstdio>

namespace tarnel {

std::string FormatFixed(double dValue, int nDecimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", nDecimals, dValue);
    std::string out = text;
    // A small negative number that rounds to zero shows as zero, not -0.000.
    if (out.front() == '-' && out.find_first_not_of("-0.") == std::string::npos) out.erase(0, 1);
    return out;
}

std::string FormatPlain(double dValue) {
    char text[64];
    std::snprintf(text, sizeof text, "%.15g", dValue);
    return text;
}

}  // namespace tarnel
