#pragma once
#include <cstdio>
#include <string>

namespace tarnel {

// v with the given number of significant digits, shortest form ("%g").
inline std::string Digits(double v, int significant) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*g", significant, v);
    return buffer;
}

}  // namespace tarnel
