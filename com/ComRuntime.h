#pragma once
#include <string>

#include "com/IClassFactory.h"

namespace tarnel {

// Object creation by class identifier: the class's InprocServer32 key in the
// registry names the module, which is loaded with dlopen on first use.
// REGDB_E_CLASSNOTREG when the class is not registered (or dwClsContext does
// not include CLSCTX_INPROC_SERVER), the module's load failure otherwise.
HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, void* pvReserved, REFIID riid,
                         void** ppv);
HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid,
                         void** ppv);

// The CLSID registered under a ProgID; CO_E_CLASSSTRING when there is none.
HRESULT CLSIDFromProgID(const std::string& progId, CLSID* pclsid);

// Unloads every module whose DllCanUnloadNow answers S_OK.
void CoFreeUnusedLibraries();

// A log text for a failed creation of class rclsid (ProgID progId). For a
// class that is not registered it names the registry file and how to
// register the module that serves the class.
std::string CreationFailureText(REFCLSID rclsid, const std::string& progId,
                                const std::string& moduleFile, HRESULT hr);

}  // namespace tarnel
