#include "bench/RegisteredPellonar.h"

#include <dlfcn.h>
#include <stdlib.h>

#include <string>

#include "com/ComRuntime.h"
#include "component/PellonarIds.h"

namespace tarnel {

RegisteredPellonar& RegisteredPellonar::Instance() {
    static RegisteredPellonar pellonar;
    return pellonar;
}

RegisteredPellonar::RegisteredPellonar() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tarnel-bench-XXXXXX").string();
    m_Dir = ::mkdtemp(pattern.data());
    ::setenv("TARNEL_REGISTRY", (m_Dir / "registry").c_str(), 1);
    m_Module = ::dlopen(PELLONAR_PATH, RTLD_NOW | RTLD_LOCAL);
    auto registerServer =
        m_Module ? reinterpret_cast<HRESULT (*)()>(::dlsym(m_Module, "DllRegisterServer"))
                 : nullptr;
    m_Ready = registerServer != nullptr && registerServer() == S_OK;
}

RegisteredPellonar::~RegisteredPellonar() {
    if (m_Module != nullptr) ::dlclose(m_Module);
    std::error_code ec;
    std::filesystem::remove_all(m_Dir, ec);
}

ComPtr<IGas> RegisteredPellonar::CreateGas(benchmark::State& state) const {
    ComPtr<IGas> gas;
    if (!m_Ready || FAILED(CoCreateInstance(CLSID_Gas, nullptr, CLSCTX_INPROC_SERVER, IID_IGas,
                                            gas.PutVoid()))) {
        state.SkipWithError("libPellonar.so could not be registered or created");
        return ComPtr<IGas>();
    }
    return gas;
}

}  // namespace tarnel
