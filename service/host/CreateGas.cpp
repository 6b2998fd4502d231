#include "service/host/CreateGas.h"

#include "com/ComRuntime.h"
#include "component/PellonarIds.h"

namespace tarnel {

// The calculation component is never linked in: the Gas class is created by
// its class identifier from whichever module the registry names for it.
std::shared_ptr<IGas> CreateGas(std::string& strError) {
    IGas* gas = nullptr;
    const HRESULT hr = CoCreateInstance(CLSID_Gas, nullptr, CLSCTX_INPROC_SERVER, IID_IGas,
                                        reinterpret_cast<void**>(&gas));
    if (FAILED(hr)) {
        strError = CreationFailureText(CLSID_Gas, "Pellonar.Gas", "libPellonar.so", hr);
        return nullptr;
    }
    return std::shared_ptr<IGas>(gas, [](IGas* p) { p->Release(); });
}

}  // namespace tarnel
