#pragma once
#include "com/HResult.h"

namespace tarnel {

// The calculation component's interface. Accessors are in v-table order:
// property-table order, each getter before its setter. Getters return
// E_POINTER for a null out pointer and write nothing.
class IGas {
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
