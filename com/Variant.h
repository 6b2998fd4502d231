#pragma once
#include "com/WinTypes.h"

namespace tarnel {

class IUnknown;
class IDispatch;

enum VARENUM : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_HRESULT = 25,
    VT_BYREF = 0x4000,
};

// The automation VARIANT: a 16-bit type tag, three reserved words and a value
// wide enough for two pointers (24 bytes on 64-bit platforms).
struct VARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        std::int64_t llVal;
        std::int32_t lVal;
        std::uint8_t bVal;
        std::int16_t iVal;
        float fltVal;
        double dblVal;
        VARIANT_BOOL boolVal;
        HRESULT scode;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        std::int8_t cVal;
        std::uint16_t uiVal;
        std::uint32_t ulVal;
        std::uint64_t ullVal;
        INT intVal;
        UINT uintVal;
        void* byref;
        struct {
            void* pvRecord;
            void* pRecInfo;
        } brecord;
    };
};
using VARIANTARG = VARIANT;

void VariantInit(VARIANT* pvarg);
HRESULT VariantClear(VARIANT* pvarg);

// Converts as automation does: numbers round half to even into integer types,
// out-of-range values give DISP_E_OVERFLOW, strings are parsed as numbers,
// VT_NULL and objects give DISP_E_TYPEMISMATCH. Targets: the numeric types and
// VT_BOOL. pvargDest may equal pvarSrc.
HRESULT VariantChangeType(VARIANT* pvargDest, const VARIANT* pvarSrc, WORD wFlags, VARTYPE vt);

}  // namespace tarnel
