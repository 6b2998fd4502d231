#include "com/ComRuntime.h"

#include <cstdio>

#include "com/ComPtr.h"
#include "com/InprocServers.h"
#include "com/RegistryStore.h"

namespace tarnel {

HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, void*, REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if ((dwClsContext & CLSCTX_INPROC_SERVER) == 0) return REGDB_E_CLASSNOTREG;
    std::string path;
    std::string key = "HKEY_CLASSES_ROOT\\CLSID\\" + StringFromGUID(rclsid) + "\\InprocServer32";
    HRESULT hr = RegistryStore::Process().QueryString(key, "", path);
    if (hr == REGDB_E_READREGDB) return hr;
    if (FAILED(hr) || path.empty()) return REGDB_E_CLASSNOTREG;
    DllGetClassObjectFn entry = nullptr;
    hr = InprocServers::Process().GetClassObjectEntry(path, entry);
    if (FAILED(hr)) return hr;
    return entry(rclsid, riid, ppv);
}

HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid,
                         void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    ComPtr<IClassFactory> factory;
    HRESULT hr =
        CoGetClassObject(rclsid, dwClsContext, nullptr, IID_IClassFactory, factory.PutVoid());
    if (FAILED(hr)) return hr;
    return factory->CreateInstance(pUnkOuter, riid, ppv);
}

HRESULT CLSIDFromProgID(const std::string& progId, CLSID* pclsid) {
    if (pclsid == nullptr) return E_POINTER;
    std::string text;
    if (!RegistryKey::ValidName(progId) ||
        FAILED(RegistryStore::Process().QueryString("HKEY_CLASSES_ROOT\\" + progId + "\\CLSID", "",
                                                    text))) {
        return CO_E_CLASSSTRING;
    }
    auto clsid = GUIDFromString(text);
    if (!clsid) return CO_E_CLASSSTRING;
    *pclsid = *clsid;
    return S_OK;
}

void CoFreeUnusedLibraries() { InprocServers::Process().FreeUnused(); }

std::string CreationFailureText(REFCLSID rclsid, const std::string& progId,
                                const std::string& moduleFile, HRESULT hr) {
    char code[32];
    std::snprintf(code, sizeof code, "(HRESULT 0x%08X)", static_cast<unsigned>(hr));
    std::string what = "class " + progId + " " + StringFromGUID(rclsid);
    if (hr == REGDB_E_CLASSNOTREG) {
        return what + " is not registered in " + RegistryStore::Location() +
               "; register it with \"regsvr " + moduleFile + "\" " + code;
    }
    if (hr == HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)) {
        return what + ": its registered module cannot be loaded; register it again with \"regsvr " +
               moduleFile + "\" " + code;
    }
    if (hr == REGDB_E_READREGDB) {
        return what + " could not be created: " + RegistryStore::Process().Error() + " " + code;
    }
    return what + " could not be created " + code;
}

}  // namespace tarnel
