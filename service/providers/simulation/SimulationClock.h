#pragma once
#include "service/providers/ProviderClock.h"

namespace tarnel {

// The simulation's sense of time; tests replace it to run a scenario without waiting.
using SimulationTime = ProviderTime;
using SimulationClock = ProviderClock;

}  // namespace tarnel
