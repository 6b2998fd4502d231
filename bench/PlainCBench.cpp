// The component's Z against a plain C transliteration of the same arithmetic,
// timed in alternating blocks within one run so that both see the same
// machine state. The component is called as a stream calls it: seven
// settings, Z and two volumes, through the v-table of a Gas from the module.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "bench/PlainPengRobinson.h"
#include "bench/RegisteredPellonar.h"
#include "bench/StreamEvaluation.h"

namespace tarnel {
namespace {

constexpr StatePoint kMethaneOneAtm{288.15, 1.01325, 190.56, 45.99, 0.011, 30};  // one root
constexpr StatePoint kPropaneTenBar{300, 10, 369.83, 42.48, 0.152, 30};          // three real roots
constexpr int kBlock = 64;  // evaluations per timed block

using Clock = std::chrono::steady_clock;

Clock::duration TimeComponent(IGas* gas, const StatePoint& s) {
    const auto start = Clock::now();
    for (int i = 0; i < kBlock; ++i) EvaluateAsAStream(gas, s);
    return Clock::now() - start;
}

Clock::duration TimePlain(StatePoint s) {
    double vapour = 0, liquid = 0;
    int steps = 0;
    const auto start = Clock::now();
    for (int i = 0; i < kBlock; ++i) {
        benchmark::DoNotOptimize(s);
        double z = PlainPengRobinsonZ(s.T, s.P, s.Tc, s.Pc, s.omega, s.maxIterations, 0.00001,
                                      &vapour, &liquid, &steps);
        double vapourVolume = vapour * 10.0, liquidVolume = liquid * 10.0;
        benchmark::DoNotOptimize(z);
        benchmark::DoNotOptimize(vapourVolume);
        benchmark::DoNotOptimize(liquidVolume);
    }
    return Clock::now() - start;
}

// The median block: a block that another program interrupts counts as one
// slow block, not as extra time.
double MedianNsPerEvaluation(std::vector<Clock::duration>& blocks) {
    if (blocks.empty()) return 0;
    auto middle = blocks.begin() + static_cast<std::ptrdiff_t>(blocks.size() / 2);
    std::nth_element(blocks.begin(), middle, blocks.end());
    return std::chrono::duration<double, std::nano>(*middle).count() / kBlock;
}

void CompareWithPlainC(benchmark::State& bench, const StatePoint& s) {
    ComPtr<IGas> gas = RegisteredPellonar::Instance().CreateGas(bench);
    if (!gas) return;
    std::vector<Clock::duration> component, plain;
    component.reserve(1 << 20);
    plain.reserve(1 << 20);
    bool componentFirst = true;
    for (auto _ : bench) {
        if (componentFirst) component.push_back(TimeComponent(gas.Get(), s));
        plain.push_back(TimePlain(s));
        if (!componentFirst) component.push_back(TimeComponent(gas.Get(), s));
        componentFirst = !componentFirst;
    }
    const double componentNs = MedianNsPerEvaluation(component);
    const double plainNs = MedianNsPerEvaluation(plain);
    bench.counters["component_ns"] = componentNs;
    bench.counters["plain_c_ns"] = plainNs;
    bench.counters["ratio"] = plainNs > 0 ? componentNs / plainNs : 0;
}

void BM_PlainCMethaneOneAtm(benchmark::State& bench) { CompareWithPlainC(bench, kMethaneOneAtm); }
void BM_PlainCPropaneTenBar(benchmark::State& bench) { CompareWithPlainC(bench, kPropaneTenBar); }

BENCHMARK(BM_PlainCMethaneOneAtm);
BENCHMARK(BM_PlainCPropaneTenBar);

}  // namespace
}  // namespace tarnel
