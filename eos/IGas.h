#pragma once
#include "com/IDispatch.h"

namespace tarnel {

constexpr IID IID_IGas = {
    0x36C1CFCD, 0xCB93, 0x11D5, {0x9D, 0x92, 0x00, 0x00, 0xE8, 0x12, 0x59, 0xB9}};

// The calculation component's dual interface. After the IUnknown and IDispatch
// slots the accessors follow in v-table order: property-table order, each
// getter before its setter. Getters return E_POINTER for a null out pointer
// and write nothing.
class IGas : public IDispatch {
public:
    virtual HRESULT get_MaxIterations(short* pVal) = 0;
    virtual HRESULT put_MaxIterations(short newVal) = 0;
    virtual HRESULT get_MinAccuracy(double* pVal) = 0;
    virtual HRESULT put_MinAccuracy(double newVal) = 0;
    virtual HRESULT get_NumIterations(short* pVal) = 0;
    virtual HRESULT get_T_degC(double* pVal) = 0;
    virtual HRESULT put_T_degC(double newVal) = 0;
    virtual HRESULT get_P_barA(double* pVal) = 0;
    virtual HRESULT put_P_barA(double newVal) = 0;
    virtual HRESULT get_AcentricFactor(double* pVal) = 0;
    virtual HRESULT put_AcentricFactor(double newVal) = 0;
    virtual HRESULT get_Z(double* pVal) = 0;
    virtual HRESULT get_Pcrit_barA(double* pVal) = 0;
    virtual HRESULT put_Pcrit_barA(double newVal) = 0;
    virtual HRESULT get_Tcrit_degC(double* pVal) = 0;
    virtual HRESULT put_Tcrit_degC(double newVal) = 0;
    virtual HRESULT get_Tcrit_K(double* pVal) = 0;
    virtual HRESULT put_Tcrit_K(double newVal) = 0;
    virtual HRESULT get_LiquidVolume(double* pVal) = 0;
    virtual HRESULT get_VapourVolume(double* pVal) = 0;
    virtual HRESULT get_T_K(double* pVal) = 0;
    virtual HRESULT put_T_K(double newVal) = 0;

protected:
    // COM interfaces carry no virtual destructor: it would take v-table slots.
    ~IGas() = default;
};

}  // namespace tarnel
