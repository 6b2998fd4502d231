// The COM binding's costs: a read of Z through IDispatch::Invoke against the
// direct v-table call, and creating a Gas by CLSID with the module loaded.
#include <benchmark/benchmark.h>

#include "bench/RegisteredPellonar.h"
#include "com/ComRuntime.h"
#include "component/PellonarIds.h"

namespace tarnel {
namespace {

ComPtr<IGas> PropaneGas(benchmark::State& state) {
    ComPtr<IGas> gas = RegisteredPellonar::Instance().CreateGas(state);
    if (!gas) return gas;
    gas->put_T_K(300);
    gas->put_P_barA(10);
    gas->put_Tcrit_K(369.83);
    gas->put_Pcrit_barA(42.48);
    gas->put_AcentricFactor(0.152);
    gas->put_MaxIterations(20);
    gas->put_MinAccuracy(0.00001);
    return gas;
}

void BM_ZThroughVtable(benchmark::State& state) {
    ComPtr<IGas> gas = PropaneGas(state);
    if (!gas) return;
    double z = 0;
    for (auto _ : state) {
        gas->get_Z(&z);
        benchmark::DoNotOptimize(z);
    }
}
BENCHMARK(BM_ZThroughVtable);

void BM_ZThroughInvoke(benchmark::State& state) {
    ComPtr<IGas> gas = PropaneGas(state);
    if (!gas) return;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    for (auto _ : state) {
        gas->Invoke(7, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr);
        benchmark::DoNotOptimize(result.dblVal);
    }
}
BENCHMARK(BM_ZThroughInvoke);

void BM_CreateGasByClsid(benchmark::State& state) {
    if (!PropaneGas(state)) return;  // loads the module before timing
    for (auto _ : state) {
        IGas* gas = nullptr;
        CoCreateInstance(CLSID_Gas, nullptr, CLSCTX_INPROC_SERVER, IID_IGas,
                         reinterpret_cast<void**>(&gas));
        benchmark::DoNotOptimize(gas);
        if (gas != nullptr) gas->Release();
    }
}
BENCHMARK(BM_CreateGasByClsid);

}  // namespace
}  // namespace tarnel

BENCHMARK_MAIN();
