#pragma once
#include <map>
#include <mutex>
#include <string>

#include "com/Guid.h"
#include "com/WinTypes.h"

namespace tarnel {

using DllGetClassObjectFn = HRESULT (*)(REFCLSID, REFIID, void**);
using DllCanUnloadNowFn = HRESULT (*)();

// The in-process servers this process has loaded, by full path. A module stays
// loaded until FreeUnused finds that its DllCanUnloadNow answers S_OK.
class InprocServers {
public:
    static InprocServers& Process();

    // Loads the module on first use. HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)
    // when it cannot be loaded, CO_E_ERRORINDLL when it lacks the exports.
    HRESULT GetClassObjectEntry(const std::string& path, DllGetClassObjectFn& entry);
    void FreeUnused();

private:
    struct Module {
        void* handle;
        DllGetClassObjectFn getClassObject;
        DllCanUnloadNowFn canUnloadNow;
    };
    std::mutex m_Mutex;
    std::map<std::string, Module> m_Modules;
};

}  // namespace tarnel
