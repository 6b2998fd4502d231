#include "com/ModuleRegistration.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include "com/RegistryStore.h"

namespace tarnel {

HRESULT RegisterModule(const std::string& module, bool unregister, std::string& detail) {
    using ServerEntry = HRESULT (*)();
    const char* entryName = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    char resolved[PATH_MAX];
    if (::realpath(module.c_str(), resolved) == nullptr) {
        detail = "file not found";
        return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
    }
    void* handle = ::dlopen(resolved, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* error = ::dlerror();
        detail = error != nullptr ? error : "cannot be loaded";
        return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
    }
    auto entry = reinterpret_cast<ServerEntry>(::dlsym(handle, entryName));
    HRESULT hr = HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    if (entry != nullptr) {
        hr = entry();
        // The module has a registry store of its own: ask ours what went wrong.
        if (FAILED(hr)) detail = RegistryStore::Process().Explain(hr);
    } else {
        detail = std::string("the module has no ") + entryName;
    }
    ::dlclose(handle);
    return hr;
}

}  // namespace tarnel
