#include "component/ClassFactory.h"

#include <new>

#include "component/PellonarModule.h"

namespace tarnel {

HRESULT ClassFactory::Create(Creator creator, REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    auto* factory = new (std::nothrow) ClassFactory(creator);
    if (factory == nullptr) return E_OUTOFMEMORY;
    HRESULT hr = factory->QueryInterface(riid, ppv);
    if (FAILED(hr)) delete factory;
    return hr;
}

HRESULT ClassFactory::QueryInterface(REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
    *ppvObject = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
}

ULONG ClassFactory::AddRef() {
    std::lock_guard guard(m_Mutex);
    if (++m_Refs == 2) PellonarModule::Current().Lock();
    return m_Refs;
}

ULONG ClassFactory::Release() {
    ULONG refs = 0;
    {
        std::lock_guard guard(m_Mutex);
        refs = --m_Refs;
        if (refs == 1) PellonarModule::Current().Unlock();
    }
    if (refs == 0) delete this;
    return refs;
}

HRESULT ClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    if (pUnkOuter != nullptr && riid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
    return m_Creator(pUnkOuter, riid, ppvObject);
}

HRESULT ClassFactory::LockServer(BOOL fLock) {
    if (fLock)
        PellonarModule::Current().Lock();
    else
        PellonarModule::Current().Unlock();
    return S_OK;
}

}  // namespace tarnel
