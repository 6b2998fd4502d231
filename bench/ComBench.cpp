// The COM binding's costs: a read of Z through IDispatch::Invoke against the
// direct v-table call, and creating a Gas by CLSID with the module loaded.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "com/ComPtr.h"
#include "com/ComRuntime.h"
#include "component/PellonarIds.h"
#include "eos/IGas.h"

namespace tarnel {
namespace {

// Registers libPellonar.so into a registry of its own and keeps it loaded.
class Setup {
public:
    Setup() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tarnel-bench-XXXXXX").string();
        m_Dir = ::mkdtemp(pattern.data());
        ::setenv("TARNEL_REGISTRY", (m_Dir / "registry").c_str(), 1);
        m_Module = ::dlopen(PELLONAR_PATH, RTLD_NOW | RTLD_LOCAL);
        auto registerServer =
            m_Module ? reinterpret_cast<HRESULT (*)()>(::dlsym(m_Module, "DllRegisterServer"))
                     : nullptr;
        m_Ready = registerServer != nullptr && registerServer() == S_OK;
    }
    ~Setup() {
        if (m_Module != nullptr) ::dlclose(m_Module);
        std::error_code ec;
        std::filesystem::remove_all(m_Dir, ec);
    }
    bool Ready() const { return m_Ready; }

private:
    std::filesystem::path m_Dir;
    void* m_Module = nullptr;
    bool m_Ready = false;
};

Setup& Registered() {
    static Setup setup;
    return setup;
}

ComPtr<IGas> PropaneGas(benchmark::State& state) {
    ComPtr<IGas> gas;
    if (!Registered().Ready() || FAILED(CoCreateInstance(CLSID_Gas, nullptr, CLSCTX_INPROC_SERVER,
                                                         IID_IGas, gas.PutVoid()))) {
        state.SkipWithError("libPellonar.so could not be registered or created");
        return gas;
    }
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
