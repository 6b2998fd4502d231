#pragma once
#include "eos/IGas.h"
#include "eos/PengRobinson.h"

namespace tarnel {

// The component's one class: each property sets one solver input or reads one
// output; reading Z runs a complete evaluation. Setters validate silently.
class Gas : public IGas {
public:
    HRESULT get_MaxIterations(short* pVal) override;
    HRESULT put_MaxIterations(short newVal) override;
    HRESULT get_MinAccuracy(double* pVal) override;
    HRESULT put_MinAccuracy(double newVal) override;
    HRESULT get_NumIterations(short* pVal) override;
    HRESULT get_T_degC(double* pVal) override;
    HRESULT put_T_degC(double newVal) override;
    HRESULT get_P_barA(double* pVal) override;
    HRESULT put_P_barA(double newVal) override;
    HRESULT get_AcentricFactor(double* pVal) override;
    HRESULT put_AcentricFactor(double newVal) override;
    HRESULT get_Z(double* pVal) override;
    HRESULT get_Pcrit_barA(double* pVal) override;
    HRESULT put_Pcrit_barA(double newVal) override;
    HRESULT get_Tcrit_degC(double* pVal) override;
    HRESULT put_Tcrit_degC(double newVal) override;
    HRESULT get_Tcrit_K(double* pVal) override;
    HRESULT put_Tcrit_K(double newVal) override;
    HRESULT get_LiquidVolume(double* pVal) override;
    HRESULT get_VapourVolume(double* pVal) override;
    HRESULT get_T_K(double* pVal) override;
    HRESULT put_T_K(double newVal) override;

    virtual ~Gas() = default;

private:
    PengRobinson m_Solver;
};

}  // namespace tarnel
