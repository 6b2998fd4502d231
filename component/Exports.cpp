// The module's entry points: process attach and detach, and the four exports
// with C linkage and the component runtime's parameter lists.
#include <mutex>

#include "component/PellonarModule.h"

using tarnel::ClassEntry;
using tarnel::PellonarModule;

namespace {

[[gnu::constructor]] void ModuleAttach() { PellonarModule::ProcessAttach(); }
[[gnu::destructor]] void ModuleDetach() { PellonarModule::ProcessDetach(); }

}  // namespace

extern "C" {

[[gnu::visibility("default")]] HRESULT DllCanUnloadNow() {
    return PellonarModule::Current().LockCount() == 0 ? S_OK : S_FALSE;
}

[[gnu::visibility("default")]] HRESULT DllGetClassObject(const tarnel::CLSID& rclsid,
                                                         const tarnel::IID& riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    PellonarModule& module = PellonarModule::Current();
    for (ClassEntry* entry : module.Classes()) {
        if (*entry->clsid != rclsid) continue;
        if (entry->factory.load() == nullptr) {
            std::lock_guard guard(module.ClassTableLock());
            if (entry->factory.load() == nullptr) {
                void* unknown = nullptr;
                HRESULT hr = entry->createFactory(tarnel::IID_IUnknown, &unknown);
                if (FAILED(hr)) return hr;
                entry->factory.store(static_cast<tarnel::IUnknown*>(unknown));
            }
        }
        return entry->factory.load()->QueryInterface(riid, ppv);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

[[gnu::visibility("default")]] HRESULT DllRegisterServer() {
    return PellonarModule::Current().RegisterServer();
}

[[gnu::visibility("default")]] HRESULT DllUnregisterServer() {
    return PellonarModule::Current().UnregisterServer();
}

}  // extern "C"
