// Evaluations of the component through its interface, made exactly as a
// stream makes them, and whole stream calculations.
#include <benchmark/benchmark.h>

#include "bench/StreamEvaluation.h"
#include "eos/Gas.h"
#include "service/streams/TarnelTag.h"

namespace tarnel {
namespace {

constexpr StatePoint kMethane{288.15, 1.01325, 190.56, 45.99, 0.011, 20};   // one root, 20 steps
constexpr StatePoint kPropane{300, 10, 369.83, 42.48, 0.152, 20};           // three roots, 7 steps
constexpr StatePoint kPropaneVacuum{800, 0.001, 369.83, 42.48, 0.152, 30};  // 30 steps, unsettled

void EvaluateThroughIGas(benchmark::State& bench, const StatePoint& s) {
    Gas gasObject;
    IGas* gas = &gasObject;
    for (auto _ : bench) EvaluateAsAStream(gas, s);
    bench.SetItemsProcessed(bench.iterations());
}

void BM_GasMethaneOneRoot(benchmark::State& bench) { EvaluateThroughIGas(bench, kMethane); }
void BM_GasPropaneThreeRoots(benchmark::State& bench) { EvaluateThroughIGas(bench, kPropane); }
void BM_GasPropaneVacuumCapped(benchmark::State& bench) {
    EvaluateThroughIGas(bench, kPropaneVacuum);
}

// Whole calculations of one stream in bar absolute and kelvin, write-back included.
void CalculateStream(benchmark::State& bench, const StatePoint& s) {
    Gas gas;
    BadValueHelper helper;
    int writes = 0;
    const StreamServices services{&gas, &helper, [&](const std::string&, float) { ++writes; }};
    TarnelTag tag(services);
    tag.EuPressure("bara");
    tag.EuTemperature("K");
    tag.Pcrit(s.Pc);
    tag.Tcrit(s.Tc);
    tag.AcentricFactor(s.omega);
    tag.TagZ("Z");
    tag.TagStatus("Status");
    tag.IndexP(0);
    tag.IndexT(1);
    tag.UpdateFromClient(0, static_cast<float>(s.P), 192);
    tag.UpdateFromClient(1, static_cast<float>(s.T), 192);
    for (auto _ : bench) tag.CalculateZ();
    benchmark::DoNotOptimize(writes);
    bench.SetItemsProcessed(bench.iterations());
}

void BM_StreamCalculateZ(benchmark::State& bench) { CalculateStream(bench, kMethane); }
void BM_StreamCalculateZCapped(benchmark::State& bench) { CalculateStream(bench, kPropaneVacuum); }

BENCHMARK(BM_GasMethaneOneRoot);
BENCHMARK(BM_GasPropaneThreeRoots);
BENCHMARK(BM_GasPropaneVacuumCapped);
BENCHMARK(BM_StreamCalculateZ);
BENCHMARK(BM_StreamCalculateZCapped);

}  // namespace
}  // namespace tarnel
