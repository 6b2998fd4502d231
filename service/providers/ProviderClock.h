#pragma once
#include <chrono>
#include <functional>

namespace tarnel {

// A provider's sense of time; tests replace it to run a group without waiting.
using ProviderTime = std::chrono::steady_clock::time_point;
using ProviderClock = std::function<ProviderTime()>;

}  // namespace tarnel
