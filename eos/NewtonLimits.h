#pragma once

namespace tarnel {

// What the service asks of the component for every evaluation: more Newton
// steps than the component's default of 20, and its residual tolerance. A
// result that used every step may not have settled; callers check for that.
inline constexpr int kMaxNewtonSteps = 30;
inline constexpr double kNewtonTolerance = 1e-5;
// A Z that used every step is taken when one step fewer gives a Z within
// this: the iterates then approach the root by at least a third of the
// distance per step, so the remaining error is below twice this.
inline constexpr double kSettledZ = 1e-7;

}  // namespace tarnel
