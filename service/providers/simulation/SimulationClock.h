#pragma once
#include <chrono>
#include <functional>

namespace tarnel {

// The simulation's sense of time; tests replace it to run a scenario without waiting.
using SimulationTime = std::chrono::steady_clock::time_point;
using SimulationClock = std::function<SimulationTime()>;

}  // namespace tarnel
