#pragma once
#include <vector>

#include "com/ITypeInfo.h"
#include "com/TypeDescription.h"
#include "com/VtableCall.h"

namespace tarnel {

class TypeLib;

// The type info of one interface or coclass of a TypeLib. Invoke calls the
// accessor's v-table slot on the instance, converting the argument to the
// declared type as automation does.
class TypeInfo final : public ITypeInfo {
public:
    TypeInfo(TypeLib& library, const TypeDescription::Type& type, UINT index);

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT GetTypeAttr(TYPEATTR** ppTypeAttr) override;
    HRESULT GetTypeComp(ITypeComp** ppTComp) override;
    HRESULT GetFuncDesc(UINT index, FUNCDESC** ppFuncDesc) override;
    HRESULT GetVarDesc(UINT index, VARDESC** ppVarDesc) override;
    HRESULT GetNames(MEMBERID memid, BSTR* rgBstrNames, UINT cMaxNames, UINT* pcNames) override;
    HRESULT GetRefTypeOfImplType(UINT index, HREFTYPE* pRefType) override;
    HRESULT GetImplTypeFlags(UINT index, INT* pImplTypeFlags) override;
    HRESULT GetIDsOfNames(LPOLESTR* rgszNames, UINT cNames, MEMBERID* pMemId) override;
    HRESULT Invoke(void* pvInstance, MEMBERID memid, WORD wFlags, DISPPARAMS* pDispParams,
                   VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;
    HRESULT GetDocumentation(MEMBERID memid, BSTR* pBstrName, BSTR* pBstrDocString,
                             DWORD* pdwHelpContext, BSTR* pBstrHelpFile) override;
    HRESULT GetDllEntry(MEMBERID memid, INVOKEKIND invKind, BSTR* pBstrDllName, BSTR* pBstrName,
                        WORD* pwOrdinal) override;
    HRESULT GetRefTypeInfo(HREFTYPE hRefType, ITypeInfo** ppTInfo) override;
    HRESULT AddressOfMember(MEMBERID memid, INVOKEKIND invKind, void** ppv) override;
    HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObj) override;
    HRESULT GetMops(MEMBERID memid, BSTR* pBstrMops) override;
    HRESULT GetContainingTypeLib(ITypeLib** ppTLib, UINT* pIndex) override;
    void ReleaseTypeAttr(TYPEATTR* pTypeAttr) override;
    void ReleaseFuncDesc(FUNCDESC* pFuncDesc) override;
    void ReleaseVarDesc(VARDESC* pVarDesc) override;

    const TypeDescription::Type& Type() const { return m_Type; }

private:
    const TypeDescription::Member* Find(MEMBERID memid, INVOKEKIND kind) const;
    const TypeDescription::Member* FindAny(MEMBERID memid) const;
    HRESULT Get(void* instance, const TypeDescription::Member& m, DISPPARAMS& params,
                VARIANT* pVarResult) const;
    HRESULT Put(void* instance, const TypeDescription::Member& m, DISPPARAMS& params,
                UINT* puArgErr) const;

    TypeLib& m_Library;
    const TypeDescription::Type& m_Type;
    UINT m_Index;
    std::vector<VtableCall> m_Calls;  // one per member
};

}  // namespace tarnel
