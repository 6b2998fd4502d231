#include "com/VtableCall.h"

namespace tarnel {

namespace {

ffi_type* FfiType(VARTYPE type) {
    switch (type) {
        case VT_I2:
        case VT_BOOL:
            return &ffi_type_sint16;
        case VT_I4:
            return &ffi_type_sint32;
        case VT_R4:
            return &ffi_type_float;
        case VT_R8:
            return &ffi_type_double;
        default:
            return nullptr;
    }
}

}  // namespace

bool VtableCall::Prepare(VARTYPE type, bool byPointer) {
    ffi_type* value = FfiType(type);
    if (value == nullptr) return false;
    m_Args[0] = &ffi_type_pointer;
    m_Args[1] = byPointer ? &ffi_type_pointer : value;
    return ffi_prep_cif(&m_Cif, FFI_DEFAULT_ABI, 2, &ffi_type_sint32, m_Args) == FFI_OK;
}

HRESULT VtableCall::Call(void* instance, UINT slot, void* argument) const {
    void* fn = (*static_cast<void***>(instance))[slot];
    void* args[2] = {&instance, argument};
    ffi_arg result = 0;
    ffi_call(const_cast<ffi_cif*>(&m_Cif), reinterpret_cast<void (*)()>(fn), &result, args);
    return static_cast<HRESULT>(result);
}

}  // namespace tarnel
