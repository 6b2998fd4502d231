#pragma once
#include "com/Guid.h"
#include "com/WinTypes.h"

namespace tarnel {

// Interfaces have the Windows v-table order and no virtual destructor, so a
// client that declares the same layouts itself can call them.
class IUnknown {
public:
    virtual HRESULT QueryInterface(REFIID riid, void** ppvObject) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

}  // namespace tarnel
