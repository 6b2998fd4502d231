#pragma once

namespace tarnel {

inline constexpr int kMaxNewtonSteps = 30;
inline constexpr double kNewtonTolerance = 1e-5;

}  // namespace tarnel
