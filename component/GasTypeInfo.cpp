#include "component/GasTypeInfo.h"

#include <atomic>
#include <string>
#include <vector>

#include "com/ITypeLib.h"
#include "com/TypeInfo.h"
#include "com/TypeLibFunctions.h"
#include "component/PellonarIds.h"
#include "component/PellonarModule.h"
#include "eos/IGas.h"

namespace tarnel {

namespace {

struct NameEntry {
    std::u16string name;
    DISPID id;
};

std::atomic<ITypeInfo*> g_Info{nullptr};
std::vector<NameEntry> g_Names;

void ReleaseShared(void*) {
    if (ITypeInfo* info = g_Info.exchange(nullptr)) info->Release();
    g_Names.clear();
}

void BuildNames(ITypeInfo* info) {
    g_Names.clear();
    if (auto* described = dynamic_cast<TypeInfo*>(info)) {
        for (const auto& m : described->Type().members) {
            g_Names.push_back({std::u16string(m.name.begin(), m.name.end()), m.memid});
        }
    }
}

HRESULT Load() {
    PellonarModule& module = PellonarModule::Current();
    std::lock_guard guard(module.TypeInfoLock());
    if (g_Info.load() != nullptr) return S_OK;
    ITypeLib* lib = nullptr;
    HRESULT hr = LoadRegTypeLib(module.Libid(), kPellonarLibMajor, kPellonarLibMinor, 0, &lib);
    if (FAILED(hr)) return hr;
    ITypeInfo* info = nullptr;
    hr = lib->GetTypeInfoOfGuid(IID_IGas, &info);
    lib->Release();
    if (FAILED(hr)) return hr;
    BuildNames(info);
    g_Info.store(info);
    module.AddTermFunc(&ReleaseShared, nullptr);
    return S_OK;
}

bool SameName(LPCOLESTR a, const std::u16string& b) { return a != nullptr && b == a; }

}  // namespace

HRESULT GasTypeInfo::Get(ITypeInfo*& info) {
    info = g_Info.load(std::memory_order_acquire);
    if (info != nullptr) return S_OK;
    HRESULT hr = Load();
    info = g_Info.load();
    return hr;
}

HRESULT GasTypeInfo::GetIDsOfNames(LPOLESTR* rgszNames, UINT cNames, DISPID* rgDispId) {
    ITypeInfo* info = nullptr;
    HRESULT hr = Get(info);
    if (FAILED(hr)) return hr;
    if (rgszNames == nullptr || rgDispId == nullptr) return E_INVALIDARG;
    if (cNames == 1) {
        for (const NameEntry& e : g_Names) {
            if (SameName(rgszNames[0], e.name)) {
                rgDispId[0] = e.id;
                return S_OK;
            }
        }
    }
    return info->GetIDsOfNames(rgszNames, cNames, rgDispId);
}

}  // namespace tarnel
