#pragma once
#include <atomic>
#include <memory>
#include <vector>

#include "com/ITypeLib.h"
#include "com/TypeDescription.h"

namespace tarnel {

class TypeInfo;

// A loaded type library. Its type infos share its reference count.
class TypeLib final : public ITypeLib {
public:
    // The new library carries one reference for the caller.
    explicit TypeLib(std::unique_ptr<TypeDescription> description);

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG AddRef() override;
    ULONG Release() override;

    UINT GetTypeInfoCount() override;
    HRESULT GetTypeInfo(UINT index, ITypeInfo** ppTInfo) override;
    HRESULT GetTypeInfoType(UINT index, TYPEKIND* pTKind) override;
    HRESULT GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** ppTinfo) override;
    HRESULT GetLibAttr(TLIBATTR** ppTLibAttr) override;
    HRESULT GetTypeComp(ITypeComp** ppTComp) override;
    HRESULT GetDocumentation(INT index, BSTR* pBstrName, BSTR* pBstrDocString,
                             DWORD* pdwHelpContext, BSTR* pBstrHelpFile) override;
    HRESULT IsName(LPOLESTR szNameBuf, ULONG lHashVal, BOOL* pfName) override;
    HRESULT FindName(LPOLESTR szNameBuf, ULONG lHashVal, ITypeInfo** ppTInfo, MEMBERID* rgMemId,
                     WORD* pcFound) override;
    void ReleaseTLibAttr(TLIBATTR* pTLibAttr) override;

    const TypeDescription& Description() const { return *m_Description; }
    // The type info of the type named name; nullptr when there is none.
    TypeInfo* TypeNamed(const std::string& name);

private:
    ~TypeLib();

    std::atomic<ULONG> m_Refs{1};
    std::unique_ptr<TypeDescription> m_Description;
    std::vector<std::unique_ptr<TypeInfo>> m_Types;
};

}  // namespace tarnel
