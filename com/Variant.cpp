#include "com/Variant.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "com/Bstr.h"
#include "com/IDispatch.h"

namespace tarnel {

namespace {

// long double holds every 64-bit integer and every double exactly, so one
// intermediate serves all conversions without loss.
using Wide = long double;

HRESULT ParseNumber(BSTR text, Wide& out) {
    std::string utf8 = Utf8FromUtf16({text, SysStringLen(text)});
    const char* begin = utf8.c_str();
    char* end = nullptr;
    errno = 0;
    out = std::strtold(begin, &end);
    while (end != nullptr && (*end == ' ' || *end == '\t')) ++end;
    if (end == begin || *end != '\0' || std::isnan(out)) return DISP_E_TYPEMISMATCH;
    return errno == ERANGE ? DISP_E_OVERFLOW : S_OK;
}

HRESULT ReadWide(const VARIANT& v, Wide& out);

// By-reference values are read through their pointer.
HRESULT ReadByRef(const VARIANT& v, Wide& out) {
    if (v.byref == nullptr) return E_INVALIDARG;
    VARTYPE base = v.vt & ~VT_BYREF;
    if (base == VT_VARIANT) return ReadWide(*static_cast<const VARIANT*>(v.byref), out);
    VARIANT copy{};
    copy.vt = base;
    switch (base) {
        case VT_I1:
        case VT_UI1:
            copy.bVal = *static_cast<std::uint8_t*>(v.byref);
            break;
        case VT_I2:
        case VT_UI2:
        case VT_BOOL:
            copy.uiVal = *static_cast<std::uint16_t*>(v.byref);
            break;
        case VT_I4:
        case VT_UI4:
        case VT_INT:
        case VT_UINT:
        case VT_R4:
            copy.ulVal = *static_cast<std::uint32_t*>(v.byref);
            break;
        case VT_I8:
        case VT_UI8:
        case VT_R8:
            copy.ullVal = *static_cast<std::uint64_t*>(v.byref);
            break;
        case VT_BSTR:
            copy.bstrVal = *static_cast<BSTR*>(v.byref);
            break;
        default:
            return DISP_E_BADVARTYPE;
    }
    return ReadWide(copy, out);
}

HRESULT ReadWide(const VARIANT& v, Wide& out) {
    if ((v.vt & VT_BYREF) != 0) return ReadByRef(v, out);
    switch (v.vt) {
        case VT_EMPTY:
            out = 0;
            return S_OK;
        case VT_I1:
            out = v.cVal;
            return S_OK;
        case VT_UI1:
            out = v.bVal;
            return S_OK;
        case VT_I2:
            out = v.iVal;
            return S_OK;
        case VT_UI2:
            out = v.uiVal;
            return S_OK;
        case VT_I4:
            out = v.lVal;
            return S_OK;
        case VT_INT:
            out = v.intVal;
            return S_OK;
        case VT_UI4:
            out = v.ulVal;
            return S_OK;
        case VT_UINT:
            out = v.uintVal;
            return S_OK;
        case VT_I8:
            out = v.llVal;
            return S_OK;
        case VT_UI8:
            out = v.ullVal;
            return S_OK;
        case VT_R4:
            out = v.fltVal;
            return S_OK;
        case VT_R8:
            out = v.dblVal;
            return S_OK;
        case VT_BOOL:
            out = v.boolVal != 0 ? -1 : 0;
            return S_OK;
        case VT_BSTR:
            return ParseNumber(v.bstrVal, out);
        case VT_NULL:
        case VT_DISPATCH:
        case VT_UNKNOWN:
        case VT_ERROR:
            return DISP_E_TYPEMISMATCH;
        default:
            return DISP_E_BADVARTYPE;
    }
}

template <typename T>
HRESULT ToInteger(Wide w, T& out) {
    if (std::isnan(w)) return DISP_E_OVERFLOW;
    Wide r = std::nearbyint(w);  // the default rounding mode rounds half to even
    if (r < static_cast<Wide>(std::numeric_limits<T>::min()) ||
        r > static_cast<Wide>(std::numeric_limits<T>::max())) {
        return DISP_E_OVERFLOW;
    }
    out = static_cast<T>(r);
    return S_OK;
}

HRESULT WriteWide(Wide w, VARTYPE vt, VARIANT& out) {
    out.vt = vt;
    switch (vt) {
        case VT_I1:
            return ToInteger(w, out.cVal);
        case VT_UI1:
            return ToInteger(w, out.bVal);
        case VT_I2:
            return ToInteger(w, out.iVal);
        case VT_UI2:
            return ToInteger(w, out.uiVal);
        case VT_I4:
            return ToInteger(w, out.lVal);
        case VT_INT:
            return ToInteger(w, out.intVal);
        case VT_UI4:
            return ToInteger(w, out.ulVal);
        case VT_UINT:
            return ToInteger(w, out.uintVal);
        case VT_I8:
            return ToInteger(w, out.llVal);
        case VT_UI8:
            return ToInteger(w, out.ullVal);
        case VT_R4:
            if (std::isfinite(w) && std::fabs(w) > std::numeric_limits<float>::max()) {
                return DISP_E_OVERFLOW;
            }
            out.fltVal = static_cast<float>(w);
            return S_OK;
        case VT_R8:
            out.dblVal = static_cast<double>(w);
            return S_OK;
        case VT_BOOL:
            out.boolVal = w != 0 ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        default:
            return DISP_E_BADVARTYPE;
    }
}

}  // namespace

void VariantInit(VARIANT* pvarg) {
    pvarg->vt = VT_EMPTY;
    pvarg->wReserved1 = pvarg->wReserved2 = pvarg->wReserved3 = 0;
    pvarg->llVal = 0;
}

HRESULT VariantClear(VARIANT* pvarg) {
    if (pvarg == nullptr) return E_INVALIDARG;
    switch (pvarg->vt) {
        case VT_BSTR:
            SysFreeString(pvarg->bstrVal);
            break;
        case VT_UNKNOWN:
            if (pvarg->punkVal != nullptr) pvarg->punkVal->Release();
            break;
        case VT_DISPATCH:
            if (pvarg->pdispVal != nullptr) pvarg->pdispVal->Release();
            break;
        default:
            break;
    }
    VariantInit(pvarg);
    return S_OK;
}

HRESULT VariantChangeType(VARIANT* pvargDest, const VARIANT* pvarSrc, WORD, VARTYPE vt) {
    if (pvargDest == nullptr || pvarSrc == nullptr) return E_INVALIDARG;
    Wide w = 0;
    HRESULT hr = ReadWide(*pvarSrc, w);
    if (FAILED(hr)) return hr;
    VARIANT result{};
    hr = WriteWide(w, vt, result);
    if (FAILED(hr)) return hr;
    if (pvargDest != pvarSrc)
        VariantClear(pvargDest);
    else if (pvargDest->vt == VT_BSTR)
        SysFreeString(pvargDest->bstrVal);
    *pvargDest = result;
    return S_OK;
}

}  // namespace tarnel
