#include "eos/Gas.h"

#include <cmath>

#include "eos/NewtonLimits.h"
#include "eos/UnitFactors.h"

namespace tarnel {

namespace {

constexpr double kVolumeScale = 10.0;  // internal volume unit to cm3/mol
constexpr double kSmallestAccuracy = 1e-15;

template <typename T>
HRESULT Out(T* pVal, T value) {
    if (pVal == nullptr) return E_POINTER;
    *pVal = value;
    return S_OK;
}

}  // namespace

HRESULT Gas::OwnInterface(REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    if (riid != IID_IUnknown && riid != IID_IDispatch && riid != IID_IGas) return E_NOINTERFACE;
    *ppvObject = static_cast<IGas*>(this);
    AddRef();
    return S_OK;
}

HRESULT Gas::QueryInterface(REFIID riid, void** ppvObject) { return OwnInterface(riid, ppvObject); }

ULONG Gas::AddRef() { return ++m_Refs; }

ULONG Gas::Release() { return m_Refs == 0 ? 0 : --m_Refs; }

HRESULT Gas::GetTypeInfoCount(UINT* pctinfo) { return Out(pctinfo, UINT{0}); }

HRESULT Gas::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
    if (ppTInfo == nullptr) return E_POINTER;
    *ppTInfo = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT Gas::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT Gas::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
    return E_NOTIMPL;
}

HRESULT Gas::get_MaxIterations(short* pVal) {
    return Out(pVal, static_cast<short>(m_Solver.MaxIterations));
}

HRESULT Gas::put_MaxIterations(short newVal) {
    m_Solver.MaxIterations = newVal > kMaxNewtonSteps ? kMaxNewtonSteps : (newVal < 1 ? 1 : newVal);
    return S_OK;
}

HRESULT Gas::get_MinAccuracy(double* pVal) { return Out(pVal, m_Solver.Tolerance); }

HRESULT Gas::put_MinAccuracy(double newVal) {
    m_Solver.Tolerance =
        (std::isnan(newVal) || newVal < kSmallestAccuracy) ? kSmallestAccuracy : newVal;
    return S_OK;
}

HRESULT Gas::get_NumIterations(short* pVal) {
    return Out(pVal, static_cast<short>(m_Solver.NumIterations));
}

HRESULT Gas::get_T_degC(double* pVal) { return Out(pVal, m_Solver.T - kCelsiusOffset); }

HRESULT Gas::put_T_degC(double newVal) {
    m_Solver.T = newVal + kCelsiusOffset;
    return S_OK;
}

HRESULT Gas::get_P_barA(double* pVal) { return Out(pVal, m_Solver.P); }

HRESULT Gas::put_P_barA(double newVal) {
    m_Solver.P = newVal;
    return S_OK;
}

HRESULT Gas::get_AcentricFactor(double* pVal) { return Out(pVal, m_Solver.Omega); }

HRESULT Gas::put_AcentricFactor(double newVal) {
    m_Solver.Omega = newVal;
    return S_OK;
}

HRESULT Gas::get_Z(double* pVal) {
    if (pVal == nullptr) return E_POINTER;
    *pVal = m_Solver.Evaluate();
    return S_OK;
}

HRESULT Gas::get_Pcrit_barA(double* pVal) { return Out(pVal, m_Solver.Pc); }

HRESULT Gas::put_Pcrit_barA(double newVal) {
    m_Solver.Pc = newVal;
    return S_OK;
}

HRESULT Gas::get_Tcrit_degC(double* pVal) { return Out(pVal, m_Solver.Tc - kCelsiusOffset); }

HRESULT Gas::put_Tcrit_degC(double newVal) {
    m_Solver.Tc = newVal + kCelsiusOffset;
    return S_OK;
}

HRESULT Gas::get_Tcrit_K(double* pVal) { return Out(pVal, m_Solver.Tc); }

HRESULT Gas::put_Tcrit_K(double newVal) {
    m_Solver.Tc = newVal;
    return S_OK;
}

HRESULT Gas::get_LiquidVolume(double* pVal) { return Out(pVal, m_Solver.Vl * kVolumeScale); }

HRESULT Gas::get_VapourVolume(double* pVal) { return Out(pVal, m_Solver.Vv * kVolumeScale); }

HRESULT Gas::get_T_K(double* pVal) { return Out(pVal, m_Solver.T); }

HRESULT Gas::put_T_K(double newVal) {
    m_Solver.T = newVal;
    return S_OK;
}

}  // namespace tarnel
