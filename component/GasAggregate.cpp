#include "component/GasAggregate.h"

#include <new>

namespace tarnel {

HRESULT GasAggregate::Create(IUnknown* outer, REFIID riid, void** ppv) {
    auto* aggregate = new (std::nothrow) GasAggregate(outer);
    if (aggregate == nullptr) return E_OUTOFMEMORY;
    HRESULT hr = aggregate->QueryInterface(riid, ppv);
    if (FAILED(hr)) delete aggregate;
    return hr;
}

HRESULT GasAggregate::QueryInterface(REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    if (riid == IID_IUnknown) {
        *ppvObject = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    // The contained object's AddRef goes to the outer object, as it must.
    return m_Gas.OwnQueryInterface(riid, ppvObject);
}

ULONG GasAggregate::AddRef() { return ++m_Refs; }

ULONG GasAggregate::Release() {
    ULONG refs = --m_Refs;
    if (refs == 0) delete this;
    return refs;
}

}  // namespace tarnel
