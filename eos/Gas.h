#pragma once
#include "eos/IGas.h"
#include "eos/PengRobinson.h"

namespace tarnel {

// The component's one class: each property sets one solver input or reads one
// output; reading Z runs a complete evaluation. Setters validate silently.
// A plain Gas belongs to its owner (it may live on the stack): AddRef and
// Release only count, and it carries no type information. The component's COM
// object derives from it and adds lifetime, aggregation and dispatch.
class Gas : public IGas {
public:
    HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                          DISPID* rgDispId) override;
    HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                   DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                   UINT* puArgErr) override;

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

protected:
    // Answers IUnknown, IDispatch and IGas with this object.
    HRESULT OwnInterface(REFIID riid, void** ppvObject);

private:
    PengRobinson m_Solver;
    ULONG m_Refs = 0;
};

}  // namespace tarnel
