#include "com/InprocServers.h"

#include <dlfcn.h>

namespace tarnel {

InprocServers& InprocServers::Process() {
    static InprocServers servers;
    return servers;
}

HRESULT InprocServers::GetClassObjectEntry(const std::string& path, DllGetClassObjectFn& entry) {
    std::lock_guard guard(m_Mutex);
    auto it = m_Modules.find(path);
    if (it == m_Modules.end()) {
        void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
        Module m{handle,
                 reinterpret_cast<DllGetClassObjectFn>(::dlsym(handle, "DllGetClassObject")),
                 reinterpret_cast<DllCanUnloadNowFn>(::dlsym(handle, "DllCanUnloadNow"))};
        if (m.getClassObject == nullptr) {
            ::dlclose(handle);
            return CO_E_ERRORINDLL;
        }
        it = m_Modules.emplace(path, m).first;
    }
    entry = it->second.getClassObject;
    return S_OK;
}

void InprocServers::FreeUnused() {
    std::lock_guard guard(m_Mutex);
    for (auto it = m_Modules.begin(); it != m_Modules.end();) {
        const Module& m = it->second;
        if (m.canUnloadNow != nullptr && m.canUnloadNow() == S_OK) {
            ::dlclose(m.handle);
            it = m_Modules.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace tarnel
