#pragma once
#include "eos/Gas.h"

namespace tarnel {

// The COM object of class Gas: a Gas that lives while it is referenced, holds
// one component lock while it lives, and serves IDispatch from the shared type
// information. With a controlling outer object (aggregation) its IUnknown
// methods go to the outer object; the aggregate's own IUnknown is GasAggregate.
class GasObject final : public Gas {
public:
    // controlling is null for a plain object.
    explicit GasObject(IUnknown* controlling);
    ~GasObject();
    GasObject(const GasObject&) = delete;
    GasObject& operator=(const GasObject&) = delete;

    // Creates a plain object and asks it for riid; it is destroyed again when
    // that fails.
    static HRESULT CreatePlain(REFIID riid, void** ppv);

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

    // The answer of the object's own interface table (IUnknown, IDispatch, IGas).
    HRESULT OwnQueryInterface(REFIID riid, void** ppvObject) {
        return OwnInterface(riid, ppvObject);
    }

private:
    IUnknown* m_Controlling;
    ULONG m_Refs = 0;  // single-threaded apartment: not atomic
};

}  // namespace tarnel
