#include "com/VtableCall.h"

namespace tarnel {

namespace {

// The accessor's this pointer travels as the first argument, as in the
// platform's calling convention for member functions.
template <typename T>
HRESULT Getter(void* fn, void* instance, void* argument) {
    return reinterpret_cast<HRESULT (*)(void*, T*)>(fn)(instance, *static_cast<T**>(argument));
}

template <typename T>
HRESULT Setter(void* fn, void* instance, void* argument) {
    return reinterpret_cast<HRESULT (*)(void*, T)>(fn)(instance, *static_cast<T*>(argument));
}

template <typename T>
auto Shape(bool byPointer) {
    return byPointer ? &Getter<T> : &Setter<T>;
}

}  // namespace

bool VtableCall::Prepare(VARTYPE type, bool byPointer) {
    switch (type) {
        case VT_I2:
            m_Thunk = Shape<std::int16_t>(byPointer);
            break;
        case VT_BOOL:
            m_Thunk = Shape<VARIANT_BOOL>(byPointer);
            break;
        case VT_I4:
            m_Thunk = Shape<std::int32_t>(byPointer);
            break;
        case VT_R4:
            m_Thunk = Shape<float>(byPointer);
            break;
        case VT_R8:
            m_Thunk = Shape<double>(byPointer);
            break;
        default:
            m_Thunk = nullptr;
            break;
    }
    return m_Thunk != nullptr;
}

HRESULT VtableCall::Call(void* instance, UINT slot, void* argument) const {
    if (m_Thunk == nullptr) return DISP_E_BADVARTYPE;
    void* fn = (*static_cast<void***>(instance))[slot];
    return m_Thunk(fn, instance, argument);
}

}  // namespace tarnel
