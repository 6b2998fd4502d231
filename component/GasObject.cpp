#include "component/GasObject.h"

#include <new>

#include "com/ComPtr.h"
#include "component/GasTypeInfo.h"
#include "component/PellonarModule.h"

namespace tarnel {

GasObject::GasObject(IUnknown* controlling) : m_Controlling(controlling) {
    PellonarModule::Current().Lock();
}

GasObject::~GasObject() { PellonarModule::Current().Unlock(); }

HRESULT GasObject::CreatePlain(REFIID riid, void** ppv) {
    auto* object = new (std::nothrow) GasObject(nullptr);
    if (object == nullptr) return E_OUTOFMEMORY;
    HRESULT hr = object->QueryInterface(riid, ppv);
    if (FAILED(hr)) delete object;
    return hr;
}

HRESULT GasObject::QueryInterface(REFIID riid, void** ppvObject) {
    if (m_Controlling == nullptr) return OwnInterface(riid, ppvObject);
    HRESULT hr = m_Controlling->QueryInterface(riid, ppvObject);
    if (FAILED(hr) && (riid == IID_IGas || riid == IID_IDispatch)) {
        return OwnInterface(riid, ppvObject);
    }
    return hr;
}

ULONG GasObject::AddRef() { return m_Controlling != nullptr ? m_Controlling->AddRef() : ++m_Refs; }

ULONG GasObject::Release() {
    if (m_Controlling != nullptr) return m_Controlling->Release();
    ULONG refs = --m_Refs;
    if (refs == 0) delete this;
    return refs;
}

HRESULT GasObject::GetTypeInfoCount(UINT* pctinfo) {
    if (pctinfo == nullptr) return E_POINTER;
    *pctinfo = 1;
    return S_OK;
}

HRESULT GasObject::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
    if (ppTInfo == nullptr) return E_POINTER;
    *ppTInfo = nullptr;
    ITypeInfo* info = nullptr;
    HRESULT hr = GasTypeInfo::Get(info);
    if (FAILED(hr)) return hr;
    info->AddRef();
    *ppTInfo = info;
    return S_OK;
}

HRESULT GasObject::GetIDsOfNames(REFIID, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId) {
    return GasTypeInfo::GetIDsOfNames(rgszNames, cNames, rgDispId);
}

HRESULT GasObject::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags,
                          DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                          UINT* puArgErr) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    ITypeInfo* info = nullptr;
    HRESULT hr = GasTypeInfo::Get(info);
    if (FAILED(hr)) return hr;
    return info->Invoke(static_cast<IGas*>(this), dispIdMember, wFlags, pDispParams, pVarResult,
                        pExcepInfo, puArgErr);
}

}  // namespace tarnel
