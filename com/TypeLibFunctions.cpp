#include "com/TypeLibFunctions.h"

#include <cstdio>

#include "service/base/TextFile.h"
#include "com/RegistryStore.h"
#include "com/ResourceSection.h"
#include "com/TypeLib.h"

namespace tarnel {

namespace {

constexpr char kTypeLibRoot[] = "HKEY_CLASSES_ROOT\\TypeLib";
constexpr char kInterfaceRoot[] = "HKEY_CLASSES_ROOT\\Interface";
// The automation marshaller every dual interface is registered with.
constexpr char kAutomationProxy[] = "{00020424-0000-0000-C000-000000000046}";

std::string Hex(unsigned v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%x", v);
    return buf;
}

std::string VersionName(WORD major, WORD minor) { return Hex(major) + "." + Hex(minor); }

const char* SysKindName(SYSKIND s) {
    switch (s) {
        case SYS_WIN16:
            return "win16";
        case SYS_MAC:
            return "mac";
        case SYS_WIN64:
            return "win64";
        default:
            return "win32";
    }
}

RegistryValue Sz(std::string text) { return {REG_SZ, std::move(text)}; }

void SetDefault(RegistryKey* key, const std::string& text) {
    if (key != nullptr) key->SetValue("", Sz(text));
}

// The registered version key to load: the exact one, else the highest minor.
const RegistryKey* ChooseVersion(const RegistryKey& lib, WORD major, WORD minor) {
    const RegistryKey* best = nullptr;
    unsigned bestMinor = 0;
    for (const auto& [name, key] : lib.AllSubkeys()) {
        unsigned ma = 0, mi = 0;
        char end = 0;
        if (std::sscanf(name.c_str(), "%x.%x%c", &ma, &mi, &end) != 2 || ma != major ||
            mi < minor) {
            continue;
        }
        if (best == nullptr || mi > bestMinor) {
            best = key.get();
            bestMinor = mi;
        }
    }
    return best;
}

}  // namespace

HRESULT LoadTypeLib(const std::string& path, ITypeLib** pptlib) {
    if (pptlib == nullptr) return E_POINTER;
    *pptlib = nullptr;
    std::string text;
    if (TextFile::Read(path, text) != TextFile::ReadResult::Read) return TYPE_E_CANTLOADLIBRARY;
    if (IsModuleFile(text) && FAILED(LoadModuleResource(path, "TYPELIB", 1, text))) {
        return TYPE_E_CANTLOADLIBRARY;
    }
    auto description = TypeDescription::Parse(text);
    if (!description) return TYPE_E_CANTLOADLIBRARY;
    *pptlib = new TypeLib(std::move(description));
    return S_OK;
}

HRESULT RegisterTypeLib(ITypeLib* ptlib, const std::string& fullPath, const std::string& helpDir) {
    auto* ours = dynamic_cast<TypeLib*>(ptlib);
    if (ours == nullptr) return E_INVALIDARG;
    const TypeDescription& d = ours->Description();
    std::string libid = StringFromGUID(d.libid);
    return RegistryStore::Process().Update([&](RegistryKey& root) {
        RegistryKey* version = root.CreatePath(std::string(kTypeLibRoot) + "\\" + libid + "\\" +
                                               VersionName(d.major, d.minor));
        if (version == nullptr) return TYPE_E_REGISTRYACCESS;
        SetDefault(version, d.help.empty() ? d.name : d.help);
        SetDefault(version->CreatePath(Hex(d.lcid) + "\\" + SysKindName(d.syskind)), fullPath);
        SetDefault(version->CreateSubkey("FLAGS"), "0");
        SetDefault(version->CreateSubkey("HELPDIR"), helpDir);
        for (const auto& t : d.types) {
            if (t.kind != TKIND_INTERFACE || !(t.dual || t.oleAutomation)) continue;
            RegistryKey* itf =
                root.CreatePath(std::string(kInterfaceRoot) + "\\" + StringFromGUID(t.guid));
            SetDefault(itf, t.name);
            SetDefault(itf->CreateSubkey("ProxyStubClsid"), kAutomationProxy);
            SetDefault(itf->CreateSubkey("ProxyStubClsid32"), kAutomationProxy);
            RegistryKey* lib = itf->CreateSubkey("TypeLib");
            SetDefault(lib, libid);
            lib->SetValue("Version", Sz(VersionName(d.major, d.minor)));
        }
        return S_OK;
    });
}

HRESULT UnRegisterTypeLib(REFGUID libID, WORD wVerMajor, WORD wVerMinor, LCID, SYSKIND) {
    std::string libid = StringFromGUID(libID);
    return RegistryStore::Process().Update([&](RegistryKey& root) {
        RegistryKey* libs = root.Find(kTypeLibRoot);
        RegistryKey* lib = libs == nullptr ? nullptr : libs->Subkey(libid);
        if (lib == nullptr || !lib->DeleteSubkey(VersionName(wVerMajor, wVerMinor))) {
            return TYPE_E_REGISTRYACCESS;
        }
        if (!lib->HasSubkeys()) libs->DeleteSubkey(libid);
        // Interfaces that name this library as theirs go with it.
        RegistryKey* interfaces = root.Find(kInterfaceRoot);
        if (interfaces == nullptr) return S_OK;
        std::vector<std::string> owned;
        for (const auto& [iid, key] : interfaces->AllSubkeys()) {
            const RegistryKey* tl = key->Subkey("TypeLib");
            const RegistryValue* v = tl == nullptr ? nullptr : tl->Value("");
            if (v != nullptr && GUIDFromString(v->data) == std::optional<GUID>(libID)) {
                owned.push_back(iid);
            }
        }
        for (const auto& iid : owned) interfaces->DeleteSubkey(iid);
        return S_OK;
    });
}

HRESULT LoadRegTypeLib(REFGUID rguid, WORD wVerMajor, WORD wVerMinor, LCID lcid,
                       ITypeLib** pptlib) {
    if (pptlib == nullptr) return E_POINTER;
    *pptlib = nullptr;
    std::string path;
    HRESULT hr = RegistryStore::Process().Read([&](const RegistryKey& root) {
        const RegistryKey* lib =
            root.Find(std::string(kTypeLibRoot) + "\\" + StringFromGUID(rguid));
        const RegistryKey* version =
            lib == nullptr ? nullptr : ChooseVersion(*lib, wVerMajor, wVerMinor);
        if (version == nullptr) return;
        for (const std::string& locale : {Hex(lcid), std::string("0")}) {
            const RegistryKey* entry = version->Find(locale + "\\" + SysKindName(SYS_WIN32));
            const RegistryValue* v = entry == nullptr ? nullptr : entry->Value("");
            if (v != nullptr && path.empty()) path = v->data;
        }
    });
    if (FAILED(hr)) return hr;
    if (path.empty()) return TYPE_E_LIBNOTREGISTERED;
    return LoadTypeLib(path, pptlib);
}

}  // namespace tarnel
