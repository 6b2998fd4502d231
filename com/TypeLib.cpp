#include "com/TypeLib.h"

#include "com/Bstr.h"
#include "com/TypeInfo.h"

namespace tarnel {

TypeLib::TypeLib(std::unique_ptr<TypeDescription> description)
    : m_Description(std::move(description)) {
    UINT index = 0;
    for (const TypeDescription::Type& t : m_Description->types) {
        m_Types.push_back(std::make_unique<TypeInfo>(*this, t, index++));
    }
}

TypeLib::~TypeLib() = default;

HRESULT TypeLib::QueryInterface(REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    if (riid != IID_IUnknown && riid != IID_ITypeLib) return E_NOINTERFACE;
    *ppvObject = static_cast<ITypeLib*>(this);
    AddRef();
    return S_OK;
}

ULONG TypeLib::AddRef() { return ++m_Refs; }

ULONG TypeLib::Release() {
    ULONG refs = --m_Refs;
    if (refs == 0) delete this;
    return refs;
}

UINT TypeLib::GetTypeInfoCount() { return static_cast<UINT>(m_Types.size()); }

HRESULT TypeLib::GetTypeInfo(UINT index, ITypeInfo** ppTInfo) {
    if (ppTInfo == nullptr) return E_INVALIDARG;
    *ppTInfo = nullptr;
    if (index >= m_Types.size()) return TYPE_E_ELEMENTNOTFOUND;
    *ppTInfo = m_Types[index].get();
    AddRef();
    return S_OK;
}

HRESULT TypeLib::GetTypeInfoType(UINT index, TYPEKIND* pTKind) {
    if (pTKind == nullptr) return E_INVALIDARG;
    if (index >= m_Types.size()) return TYPE_E_ELEMENTNOTFOUND;
    *pTKind = m_Types[index]->Type().kind;
    return S_OK;
}

HRESULT TypeLib::GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** ppTinfo) {
    if (ppTinfo == nullptr) return E_INVALIDARG;
    *ppTinfo = nullptr;
    for (auto& t : m_Types) {
        if (t->Type().guid == guid) {
            *ppTinfo = t.get();
            AddRef();
            return S_OK;
        }
    }
    return TYPE_E_ELEMENTNOTFOUND;
}

HRESULT TypeLib::GetLibAttr(TLIBATTR** ppTLibAttr) {
    if (ppTLibAttr == nullptr) return E_INVALIDARG;
    const TypeDescription& d = *m_Description;
    *ppTLibAttr = new TLIBATTR{d.libid, d.lcid, d.syskind, d.major, d.minor, 0};
    return S_OK;
}

void TypeLib::ReleaseTLibAttr(TLIBATTR* pTLibAttr) { delete pTLibAttr; }

HRESULT TypeLib::GetTypeComp(ITypeComp**) { return E_NOTIMPL; }

HRESULT TypeLib::GetDocumentation(INT index, BSTR* pBstrName, BSTR* pBstrDocString,
                                  DWORD* pdwHelpContext, BSTR* pBstrHelpFile) {
    if (index >= 0) {
        if (static_cast<std::size_t>(index) >= m_Types.size()) return TYPE_E_ELEMENTNOTFOUND;
        return m_Types[static_cast<std::size_t>(index)]->GetDocumentation(
            -1, pBstrName, pBstrDocString, pdwHelpContext, pBstrHelpFile);
    }
    if (pBstrName != nullptr) *pBstrName = BstrFromUtf8(m_Description->name);
    if (pBstrDocString != nullptr) *pBstrDocString = BstrFromUtf8(m_Description->help);
    if (pdwHelpContext != nullptr) *pdwHelpContext = 0;
    if (pBstrHelpFile != nullptr) *pBstrHelpFile = nullptr;
    return S_OK;
}

HRESULT TypeLib::IsName(LPOLESTR szNameBuf, ULONG, BOOL* pfName) {
    if (szNameBuf == nullptr || pfName == nullptr) return E_INVALIDARG;
    MEMBERID id = DISPID_UNKNOWN;
    *pfName = FALSE;
    for (auto& t : m_Types) {
        if (SUCCEEDED(t->GetIDsOfNames(&szNameBuf, 1, &id))) *pfName = TRUE;
    }
    return S_OK;
}

HRESULT TypeLib::FindName(LPOLESTR, ULONG, ITypeInfo**, MEMBERID*, WORD*) { return E_NOTIMPL; }

TypeInfo* TypeLib::TypeNamed(const std::string& name) {
    for (auto& t : m_Types) {
        if (t->Type().name == name) return t.get();
    }
    return nullptr;
}

}  // namespace tarnel
