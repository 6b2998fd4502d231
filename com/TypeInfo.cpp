#include "com/TypeInfo.h"

#include "com/Bstr.h"
#include "com/TypeLib.h"

namespace tarnel {

namespace {

constexpr INT IMPLTYPEFLAG_FDEFAULT = 1;
constexpr MEMBERID MEMBERID_NIL = -1;

char16_t Fold(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }

bool SameName(LPCOLESTR ole, const std::string& name) {
    std::u16string wide = Utf16FromUtf8(name);
    std::size_t i = 0;
    for (; i < wide.size(); ++i) {
        if (ole[i] == 0 || Fold(ole[i]) != Fold(wide[i])) return false;
    }
    return ole[i] == 0;
}

}  // namespace

TypeInfo::TypeInfo(TypeLib& library, const TypeDescription::Type& type, UINT index)
    : m_Library(library), m_Type(type), m_Index(index), m_Calls(type.members.size()) {
    for (std::size_t i = 0; i < type.members.size(); ++i) {
        const auto& m = type.members[i];
        m_Calls[i].Prepare(m.type, m.kind == INVOKE_PROPERTYGET);
    }
}

HRESULT TypeInfo::QueryInterface(REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    if (riid != IID_IUnknown && riid != IID_ITypeInfo) return E_NOINTERFACE;
    *ppvObject = static_cast<ITypeInfo*>(this);
    AddRef();
    return S_OK;
}

ULONG TypeInfo::AddRef() { return m_Library.AddRef(); }
ULONG TypeInfo::Release() { return m_Library.Release(); }

const TypeDescription::Member* TypeInfo::Find(MEMBERID memid, INVOKEKIND kind) const {
    for (const auto& m : m_Type.members) {
        if (m.memid == memid && m.kind == kind) return &m;
    }
    return nullptr;
}

const TypeDescription::Member* TypeInfo::FindAny(MEMBERID memid) const {
    const auto* m = Find(memid, INVOKE_PROPERTYGET);
    return m != nullptr ? m : Find(memid, INVOKE_PROPERTYPUT);
}

HRESULT TypeInfo::GetNames(MEMBERID memid, BSTR* rgBstrNames, UINT cMaxNames, UINT* pcNames) {
    if (rgBstrNames == nullptr || pcNames == nullptr) return E_INVALIDARG;
    *pcNames = 0;
    const auto* m = FindAny(memid);
    if (m == nullptr) return TYPE_E_ELEMENTNOTFOUND;
    if (cMaxNames > 0) rgBstrNames[(*pcNames)++] = BstrFromUtf8(m->name);
    if (cMaxNames > 1 && m->kind == INVOKE_PROPERTYGET)
        rgBstrNames[(*pcNames)++] = BstrFromUtf8("pVal");
    return S_OK;
}

HRESULT TypeInfo::GetIDsOfNames(LPOLESTR* rgszNames, UINT cNames, MEMBERID* pMemId) {
    if (rgszNames == nullptr || pMemId == nullptr) return E_INVALIDARG;
    if (cNames == 0) return S_OK;
    for (UINT i = 0; i < cNames; ++i) pMemId[i] = DISPID_UNKNOWN;
    if (rgszNames[0] == nullptr) return DISP_E_UNKNOWNNAME;
    const TypeDescription::Member* found = nullptr;
    for (const auto& m : m_Type.members) {
        if (SameName(rgszNames[0], m.name)) {
            found = &m;
            break;
        }
    }
    if (found == nullptr) return DISP_E_UNKNOWNNAME;
    pMemId[0] = found->memid;
    // The only named parameter is a getter's "pVal", parameter 0.
    HRESULT hr = S_OK;
    for (UINT i = 1; i < cNames; ++i) {
        bool isPVal = rgszNames[i] != nullptr && SameName(rgszNames[i], "pVal") &&
                      Find(found->memid, INVOKE_PROPERTYGET) != nullptr;
        if (isPVal)
            pMemId[i] = 0;
        else
            hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT TypeInfo::Invoke(void* pvInstance, MEMBERID memid, WORD wFlags, DISPPARAMS* pDispParams,
                         VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) {
    if (pvInstance == nullptr || pDispParams == nullptr) return E_INVALIDARG;
    if (m_Type.kind != TKIND_INTERFACE) return TYPE_E_INVALIDSTATE;
    const TypeDescription::Member* m = nullptr;
    if ((wFlags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) != 0) {
        m = Find(memid, INVOKE_PROPERTYGET);
    }
    if (m == nullptr && (wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0) {
        m = Find(memid, INVOKE_PROPERTYPUT);
    }
    if (m == nullptr) return DISP_E_MEMBERNOTFOUND;
    HRESULT hr = m->kind == INVOKE_PROPERTYGET ? Get(pvInstance, *m, *pDispParams, pVarResult)
                                               : Put(pvInstance, *m, *pDispParams, puArgErr);
    if (hr < 0 && (static_cast<std::uint32_t>(hr) & 0xFFFF0000u) != 0x80020000u) {
        // A failure of the accessor itself travels as an exception.
        if (pExcepInfo != nullptr)
            *pExcepInfo = EXCEPINFO{0, 0, nullptr, nullptr, nullptr, 0, nullptr, nullptr, hr};
        return DISP_E_EXCEPTION;
    }
    return hr;
}

HRESULT TypeInfo::Get(void* instance, const TypeDescription::Member& m, DISPPARAMS& params,
                      VARIANT* pVarResult) const {
    if (params.cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    if (params.cArgs != 0) return DISP_E_BADPARAMCOUNT;
    VARIANT value{};
    value.vt = m.type;
    void* out = &value.llVal;
    HRESULT hr =
        m_Calls[static_cast<std::size_t>(&m - m_Type.members.data())].Call(instance, m.slot, &out);
    if (SUCCEEDED(hr) && pVarResult != nullptr) {
        VariantClear(pVarResult);
        *pVarResult = value;
    }
    return hr;
}

HRESULT TypeInfo::Put(void* instance, const TypeDescription::Member& m, DISPPARAMS& params,
                      UINT* puArgErr) const {
    if (params.cArgs != 1 || params.rgvarg == nullptr) return DISP_E_BADPARAMCOUNT;
    if (params.cNamedArgs > 1) return DISP_E_BADPARAMCOUNT;
    if (params.cNamedArgs == 1 && (params.rgdispidNamedArgs == nullptr ||
                                   params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)) {
        return DISP_E_PARAMNOTFOUND;
    }
    VARIANT value{};
    HRESULT hr = VariantChangeType(&value, &params.rgvarg[0], 0, m.type);
    if (FAILED(hr)) {
        if (puArgErr != nullptr) *puArgErr = 0;
        return hr == DISP_E_OVERFLOW ? hr : DISP_E_TYPEMISMATCH;
    }
    return m_Calls[static_cast<std::size_t>(&m - m_Type.members.data())].Call(instance, m.slot,
                                                                              &value.llVal);
}

HRESULT TypeInfo::GetDocumentation(MEMBERID memid, BSTR* pBstrName, BSTR* pBstrDocString,
                                   DWORD* pdwHelpContext, BSTR* pBstrHelpFile) {
    const std::string* name = &m_Type.name;
    const std::string* help = &m_Type.help;
    if (memid != MEMBERID_NIL) {
        const auto* m = FindAny(memid);
        if (m == nullptr) return TYPE_E_ELEMENTNOTFOUND;
        name = &m->name;
        help = &m->help;
    }
    if (pBstrName != nullptr) *pBstrName = BstrFromUtf8(*name);
    if (pBstrDocString != nullptr) *pBstrDocString = BstrFromUtf8(*help);
    if (pdwHelpContext != nullptr) *pdwHelpContext = 0;
    if (pBstrHelpFile != nullptr) *pBstrHelpFile = nullptr;
    return S_OK;
}

HRESULT TypeInfo::GetRefTypeOfImplType(UINT index, HREFTYPE* pRefType) {
    if (pRefType == nullptr) return E_INVALIDARG;
    TypeInfo* target = m_Type.kind == TKIND_COCLASS && index == 0
                           ? m_Library.TypeNamed(m_Type.defaultInterface)
                           : nullptr;
    if (target == nullptr) return TYPE_E_ELEMENTNOTFOUND;
    *pRefType = target->m_Index;
    return S_OK;
}

HRESULT TypeInfo::GetImplTypeFlags(UINT index, INT* pImplTypeFlags) {
    if (pImplTypeFlags == nullptr) return E_INVALIDARG;
    if (m_Type.kind != TKIND_COCLASS || index != 0) return TYPE_E_ELEMENTNOTFOUND;
    *pImplTypeFlags = IMPLTYPEFLAG_FDEFAULT;
    return S_OK;
}

HRESULT TypeInfo::GetRefTypeInfo(HREFTYPE hRefType, ITypeInfo** ppTInfo) {
    return m_Library.GetTypeInfo(hRefType, ppTInfo);
}

HRESULT TypeInfo::GetContainingTypeLib(ITypeLib** ppTLib, UINT* pIndex) {
    if (ppTLib != nullptr) {
        *ppTLib = &m_Library;
        m_Library.AddRef();
    }
    if (pIndex != nullptr) *pIndex = m_Index;
    return S_OK;
}

// Descriptor structures, bound-member addresses and instance creation are not
// part of this layer.
HRESULT TypeInfo::GetTypeAttr(TYPEATTR**) { return E_NOTIMPL; }
HRESULT TypeInfo::GetTypeComp(ITypeComp**) { return E_NOTIMPL; }
HRESULT TypeInfo::GetFuncDesc(UINT, FUNCDESC**) { return E_NOTIMPL; }
HRESULT TypeInfo::GetVarDesc(UINT, VARDESC**) { return E_NOTIMPL; }
HRESULT TypeInfo::GetDllEntry(MEMBERID, INVOKEKIND, BSTR*, BSTR*, WORD*) { return E_NOTIMPL; }
HRESULT TypeInfo::AddressOfMember(MEMBERID, INVOKEKIND, void**) { return E_NOTIMPL; }
HRESULT TypeInfo::CreateInstance(IUnknown*, REFIID, void**) { return E_NOTIMPL; }
HRESULT TypeInfo::GetMops(MEMBERID, BSTR*) { return E_NOTIMPL; }
void TypeInfo::ReleaseTypeAttr(TYPEATTR*) {}
void TypeInfo::ReleaseFuncDesc(FUNCDESC*) {}
void TypeInfo::ReleaseVarDesc(VARDESC*) {}

}  // namespace tarnel
