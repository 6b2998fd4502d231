#pragma once

namespace tarnel {

// Methane, the tests' reference gas: its critical constants as the stream
// file gives them, and the stream-file line of a natural-gas stream in bar and
// deg C that uses them.
inline constexpr double kMethanePcritBar = 45.99;
inline constexpr double kMethaneTcritK = 190.56;
inline constexpr double kMethaneAcentric = 0.011;
inline constexpr const char* kNaturalGasLine =
    "NG,PT-1,TT-1,ZI-1,45.99,190.56,0.011,bar,deg C,ZS-1\n";

}  // namespace tarnel
