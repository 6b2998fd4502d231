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

// Held through one pointer and freed by the module's termination callback:
// the module's detach runs after the process's static destructors at exit,
// so nothing it touches may be a static object with a destructor.
struct Shared {
    ITypeInfo* info;
    std::vector<NameEntry> names;
};

std::atomic<Shared*> g_Shared{nullptr};

void ReleaseShared(void*) {
    if (Shared* shared = g_Shared.exchange(nullptr)) {
        shared->info->Release();
        delete shared;
    }
}

std::vector<NameEntry> NamesOf(ITypeInfo* info) {
    std::vector<NameEntry> names;
    if (auto* described = dynamic_cast<TypeInfo*>(info)) {
        for (const auto& m : described->Type().members) {
            names.push_back({std::u16string(m.name.begin(), m.name.end()), m.memid});
        }
    }
    return names;
}

HRESULT Load() {
    PellonarModule& module = PellonarModule::Current();
    std::lock_guard guard(module.TypeInfoLock());
    if (g_Shared.load() != nullptr) return S_OK;
    ITypeLib* lib = nullptr;
    HRESULT hr = LoadRegTypeLib(module.Libid(), kPellonarLibMajor, kPellonarLibMinor, 0, &lib);
    if (FAILED(hr)) return hr;
    ITypeInfo* info = nullptr;
    hr = lib->GetTypeInfoOfGuid(IID_IGas, &info);
    lib->Release();
    if (FAILED(hr)) return hr;
    g_Shared.store(new Shared{info, NamesOf(info)});
    module.AddTermFunc(&ReleaseShared, nullptr);
    return S_OK;
}

bool SameName(LPCOLESTR a, const std::u16string& b) { return a != nullptr && b == a; }

const Shared* Current(HRESULT& hr) {
    const Shared* shared = g_Shared.load(std::memory_order_acquire);
    hr = S_OK;
    if (shared == nullptr) {
        hr = Load();
        shared = g_Shared.load();
    }
    return shared;
}

}  // namespace

HRESULT GasTypeInfo::Get(ITypeInfo*& info) {
    HRESULT hr = S_OK;
    const Shared* shared = Current(hr);
    info = shared != nullptr ? shared->info : nullptr;
    return hr;
}

HRESULT GasTypeInfo::GetIDsOfNames(LPOLESTR* rgszNames, UINT cNames, DISPID* rgDispId) {
    HRESULT hr = S_OK;
    const Shared* shared = Current(hr);
    if (FAILED(hr)) return hr;
    if (rgszNames == nullptr || rgDispId == nullptr) return E_INVALIDARG;
    if (cNames == 1) {
        for (const NameEntry& e : shared->names) {
            if (SameName(rgszNames[0], e.name)) {
                rgDispId[0] = e.id;
                return S_OK;
            }
        }
    }
    return shared->info->GetIDsOfNames(rgszNames, cNames, rgDispId);
}

}  // namespace tarnel
