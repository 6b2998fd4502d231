#pragma once
#include "com/Variant.h"

namespace tarnel {

// A call of an accessor slot, HRESULT (this, T) or HRESULT (this, T*), chosen
// from a type description. The call shapes are typed thunks rather than a
// generic foreign-function call: measured, a generic call made the solver
// behind it run at half speed.
class VtableCall {
public:
    // False for a type that has no call shape here.
    bool Prepare(VARTYPE type, bool byPointer);

    // Calls slot `slot` of the interface at instance; argument points at the
    // value (setter) or at the out pointer (getter).
    HRESULT Call(void* instance, UINT slot, void* argument) const;

private:
    using Thunk = HRESULT (*)(void* fn, void* instance, void* argument);
    Thunk m_Thunk = nullptr;
};

}  // namespace tarnel
