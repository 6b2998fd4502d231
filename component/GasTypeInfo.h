#pragma once
#include "com/ITypeInfo.h"

namespace tarnel {

// The type information of IGas, shared by every Gas object of the process. It
// is loaded on first use from the registered type library (by LIBID and
// version, not from this module's file) under the module's type-info lock,
// together with a table of the member names, and released when the module
// unloads.
class GasTypeInfo {
public:
    // The shared type info, without a new reference; the load's failure code
    // when the registered library cannot be loaded.
    static HRESULT Get(ITypeInfo*& info);

    // Exact, case-sensitive names from the table first; other names are left
    // to the type info.
    static HRESULT GetIDsOfNames(LPOLESTR* rgszNames, UINT cNames, DISPID* rgDispId);
};

}  // namespace tarnel
