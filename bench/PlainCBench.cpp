// The component's Z against a plain C transliteration of the same arithmetic,
// timed in alternating blocks within one run so that both see the same
// machine state. The component is called as a stream calls it: seven
// settings, Z and two volumes, through the v-table of a Gas from the module.
#include <benchmark/benchmark.h>

#include <chrono>

#include "bench/PlainPengRobinson.h"
#include "bench/RegisteredPellonar.h"

namespace tarnel {
namespace {

struct Point {
    double T, P, Tc, Pc, omega;
};

constexpr Point kMethaneOneAtm{288.15, 1.01325, 190.56, 45.99, 0.011};  // one root, 30-step cap
constexpr Point kPropaneTenBar{300, 10, 369.83, 42.48, 0.152};          // three real roots
constexpr short kSteps = 30;
constexpr double kTolerance = 0.00001;
constexpr int kBlock = 64;  // evaluations per timed block

using Clock = std::chrono::steady_clock;

Clock::duration TimeComponent(IGas* gas, const Point& s) {
    const auto start = Clock::now();
    for (int i = 0; i < kBlock; ++i) {
        double z = 0, vapour = 0, liquid = 0;
        gas->put_AcentricFactor(s.omega);
        gas->put_MaxIterations(kSteps);
        gas->put_MinAccuracy(kTolerance);
        gas->put_P_barA(s.P);
        gas->put_T_K(s.T);
        gas->put_Pcrit_barA(s.Pc);
        gas->put_Tcrit_K(s.Tc);
        gas->get_Z(&z);
        gas->get_VapourVolume(&vapour);
        gas->get_LiquidVolume(&liquid);
        benchmark::DoNotOptimize(z);
        benchmark::DoNotOptimize(vapour);
        benchmark::DoNotOptimize(liquid);
    }
    return Clock::now() - start;
}

Clock::duration TimePlain(Point s) {
    double vapour = 0, liquid = 0;
    int steps = 0;
    const auto start = Clock::now();
    for (int i = 0; i < kBlock; ++i) {
        benchmark::DoNotOptimize(s);
        double z = PlainPengRobinsonZ(s.T, s.P, s.Tc, s.Pc, s.omega, kSteps, kTolerance, &vapour,
                                      &liquid, &steps);
        double vapourVolume = vapour * 10.0, liquidVolume = liquid * 10.0;
        benchmark::DoNotOptimize(z);
        benchmark::DoNotOptimize(vapourVolume);
        benchmark::DoNotOptimize(liquidVolume);
    }
    return Clock::now() - start;
}

void CompareWithPlainC(benchmark::State& bench, const Point& s) {
    ComPtr<IGas> gas = RegisteredPellonar::Instance().CreateGas(bench);
    if (!gas) return;
    Clock::duration component{}, plain{};
    bool componentFirst = true;
    for (auto _ : bench) {
        if (componentFirst) component += TimeComponent(gas.Get(), s);
        plain += TimePlain(s);
        if (!componentFirst) component += TimeComponent(gas.Get(), s);
        componentFirst = !componentFirst;
    }
    const double evaluations = static_cast<double>(bench.iterations()) * kBlock;
    const double componentNs = std::chrono::duration<double, std::nano>(component).count();
    const double plainNs = std::chrono::duration<double, std::nano>(plain).count();
    bench.counters["component_ns"] = componentNs / evaluations;
    bench.counters["plain_c_ns"] = plainNs / evaluations;
    bench.counters["ratio"] = componentNs / plainNs;
}

void BM_PlainCMethaneOneAtm(benchmark::State& bench) { CompareWithPlainC(bench, kMethaneOneAtm); }
void BM_PlainCPropaneTenBar(benchmark::State& bench) { CompareWithPlainC(bench, kPropaneTenBar); }

BENCHMARK(BM_PlainCMethaneOneAtm);
BENCHMARK(BM_PlainCPropaneTenBar);

}  // namespace
}  // namespace tarnel
