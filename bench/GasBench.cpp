// Evaluations of the component through its interface, made exactly as a
// stream makes them, and whole stream calculations.
#include <benchmark/benchmark.h>

#include "eos/Gas.h"
#include "service/streams/TarnelTag.h"

namespace tarnel {
namespace {

struct State {
    double T, P, Tc, Pc, omega;
    short maxIterations;
};

constexpr State kMethane{288.15, 1.01325, 190.56, 45.99, 0.011, 20};  // one root, 20 steps
constexpr State kPropane{300, 10, 369.83, 42.48, 0.152, 20};          // three roots, 7 steps

void EvaluateThroughIGas(benchmark::State& bench, const State& s) {
    Gas gasObject;
    IGas* gas = &gasObject;
    for (auto _ : bench) {
        double z = 0, vapour = 0, liquid = 0;
        gas->put_AcentricFactor(s.omega);
        gas->put_MaxIterations(s.maxIterations);
        gas->put_MinAccuracy(0.00001);
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
    bench.SetItemsProcessed(bench.iterations());
}

void BM_GasMethaneOneRoot(benchmark::State& bench) { EvaluateThroughIGas(bench, kMethane); }
void BM_GasPropaneThreeRoots(benchmark::State& bench) { EvaluateThroughIGas(bench, kPropane); }

void BM_StreamCalculateZ(benchmark::State& bench) {
    Gas gas;
    BadValueHelper helper;
    int writes = 0;
    const StreamServices services{&gas, &helper, [&](const std::string&, float) { ++writes; }};
    TarnelTag tag(services);
    tag.EuPressure("bar");
    tag.EuTemperature("deg C");
    tag.Pcrit(45.99);
    tag.Tcrit(190.56);
    tag.AcentricFactor(0.011);
    tag.TagZ("Z");
    tag.TagStatus("Status");
    tag.IndexP(0);
    tag.IndexT(1);
    tag.UpdateFromClient(0, 0.0f, 192);
    tag.UpdateFromClient(1, 15.0f, 192);
    for (auto _ : bench) tag.CalculateZ();
    benchmark::DoNotOptimize(writes);
    bench.SetItemsProcessed(bench.iterations());
}

BENCHMARK(BM_GasMethaneOneRoot);
BENCHMARK(BM_GasPropaneThreeRoots);
BENCHMARK(BM_StreamCalculateZ);

}  // namespace
}  // namespace tarnel
