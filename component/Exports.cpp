// The module's entry points: process attach and detach, and the four exports
// with C linkage and the component runtime's parameter lists.
#include <mutex>
#include <string>

#include "com/ComPtr.h"
#include "com/TypeLibFunctions.h"
#include "component/PellonarModule.h"

using tarnel::ClassEntry;
using tarnel::PellonarModule;

namespace {

[[gnu::constructor]] void ModuleAttach() { PellonarModule::ProcessAttach(); }
[[gnu::destructor]] void ModuleDetach() { PellonarModule::ProcessDetach(); }

// The type library is embedded in the module; a ".tlb" beside it (same name,
// extension replaced or appended) is the fallback.
HRESULT LoadOwnTypeLib(tarnel::ITypeLib** lib, std::string& loadedFrom) {
    loadedFrom = PellonarModule::Current().ModulePath();
    HRESULT hr = tarnel::LoadTypeLib(loadedFrom, lib);
    if (SUCCEEDED(hr)) return hr;
    std::size_t slash = loadedFrom.find_last_of("\\/:");
    std::size_t dot = loadedFrom.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
        loadedFrom.erase(dot);
    }
    loadedFrom += ".tlb";
    return tarnel::LoadTypeLib(loadedFrom, lib);
}

HRESULT RegisterOwnTypeLib() {
    tarnel::ComPtr<tarnel::ITypeLib> lib;
    std::string path;
    HRESULT hr = LoadOwnTypeLib(lib.Put(), path);
    if (FAILED(hr)) return hr;
    std::string helpDir = path.substr(0, path.find_last_of("\\/:") + 1);
    return tarnel::RegisterTypeLib(lib.Get(), path, helpDir);
}

void UnregisterOwnTypeLib() {
    tarnel::ComPtr<tarnel::ITypeLib> lib;
    std::string path;
    tarnel::TLIBATTR* attr = nullptr;
    if (FAILED(LoadOwnTypeLib(lib.Put(), path)) || FAILED(lib->GetLibAttr(&attr))) return;
    tarnel::UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid,
                              attr->syskind);
    lib->ReleaseTLibAttr(attr);
}

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
    for (ClassEntry* entry : PellonarModule::Current().Classes()) {
        if (entry->objectDescription() != nullptr) continue;
        HRESULT hr = entry->updateRegistry(true);
        if (FAILED(hr)) return hr;
    }
    return RegisterOwnTypeLib();
}

[[gnu::visibility("default")]] HRESULT DllUnregisterServer() {
    for (ClassEntry* entry : PellonarModule::Current().Classes()) {
        if (entry->objectDescription() == nullptr) entry->updateRegistry(false);
    }
    UnregisterOwnTypeLib();
    return S_OK;
}

}  // extern "C"
