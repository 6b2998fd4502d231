#pragma once
#include <ffi.h>

#include "com/Variant.h"

namespace tarnel {

// A prepared call of an accessor slot, HRESULT (this, T) or HRESULT (this, T*),
// made generically from a type description.
class VtableCall {
public:
    // False for a type that has no call shape here.
    bool Prepare(VARTYPE type, bool byPointer);

    // Calls slot `slot` of the interface at instance; argument points at the
    // value (setter) or at the out pointer (getter).
    HRESULT Call(void* instance, UINT slot, void* argument) const;

private:
    ffi_cif m_Cif{};
    ffi_type* m_Args[2] = {};
};

}  // namespace tarnel
