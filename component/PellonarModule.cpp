#include "component/PellonarModule.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include "com/ComPtr.h"
#include "com/RegistryStore.h"
#include "com/TypeLibFunctions.h"
#include "component/GasClass.h"
#include "component/PellonarIds.h"

namespace tarnel {

namespace {

PellonarModule* g_Module = nullptr;

// The file of this module, found through one of its own symbols.
std::string OwnFile() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&PellonarModule::ProcessAttach), &info) == 0 ||
        info.dli_fname == nullptr) {
        return {};
    }
    return info.dli_fname;
}

std::string FullPath(const std::string& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) != nullptr ? resolved : path;
}

// The type library is embedded in the module; a ".tlb" beside it (same name,
// extension replaced or appended) is the fallback.
HRESULT LoadOwnTypeLib(const std::string& modulePath, ITypeLib** lib, std::string& loadedFrom) {
    loadedFrom = modulePath;
    HRESULT hr = LoadTypeLib(loadedFrom, lib);
    if (SUCCEEDED(hr)) return hr;
    std::size_t slash = loadedFrom.find_last_of("\\/:");
    std::size_t dot = loadedFrom.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
        loadedFrom.erase(dot);
    }
    loadedFrom += ".tlb";
    return LoadTypeLib(loadedFrom, lib);
}

HRESULT RegisterOwnTypeLib(const std::string& modulePath) {
    ComPtr<ITypeLib> lib;
    std::string path;
    HRESULT hr = LoadOwnTypeLib(modulePath, lib.Put(), path);
    if (FAILED(hr)) return hr;
    std::string helpDir = path.substr(0, path.find_last_of("\\/:") + 1);
    return RegisterTypeLib(lib.Get(), path, helpDir);
}

void UnregisterOwnTypeLib(const std::string& modulePath) {
    ComPtr<ITypeLib> lib;
    std::string path;
    TLIBATTR* attr = nullptr;
    if (FAILED(LoadOwnTypeLib(modulePath, lib.Put(), path)) || FAILED(lib->GetLibAttr(&attr))) {
        return;
    }
    UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid,
                      attr->syskind);
    lib->ReleaseTLibAttr(attr);
}

}  // namespace

PellonarModule& PellonarModule::Current() { return *g_Module; }

PellonarModule::PellonarModule(const std::string& modulePath)
    : m_ModulePath(FullPath(modulePath.empty() ? OwnFile() : modulePath)),
      m_Libid(LIBID_PELLONARLib),
      m_Classes{&GasClassEntry()} {}

void PellonarModule::ProcessAttach(const std::string& modulePath) {
    g_Module = new PellonarModule(modulePath);
    for (ClassEntry* entry : g_Module->m_Classes) entry->objectMain(true);
}

void PellonarModule::ProcessDetach() {
    if (g_Module == nullptr) return;
    g_Module->Detach();
    delete g_Module;
    g_Module = nullptr;
}

void PellonarModule::Detach() {
    for (ClassEntry* entry : m_Classes) {
        if (IUnknown* factory = entry->factory.exchange(nullptr)) factory->Release();
        entry->objectMain(false);
    }
    while (m_TermFuncs != nullptr) {
        TermCallback* callback = m_TermFuncs;
        m_TermFuncs = callback->next;
        callback->func(callback->arg);
        delete callback;
    }
}

HRESULT PellonarModule::RegisterServer() {
    return RegistryStore::Process().Update([this](RegistryKey&) {
        for (ClassEntry* entry : m_Classes) {
            if (entry->objectDescription() != nullptr) continue;
            HRESULT hr = entry->updateRegistry(true);
            if (FAILED(hr)) return hr;
        }
        return RegisterOwnTypeLib(m_ModulePath);
    });
}

HRESULT PellonarModule::UnregisterServer() {
    return RegistryStore::Process().Update([this](RegistryKey&) {
        for (ClassEntry* entry : m_Classes) {
            if (entry->objectDescription() == nullptr) entry->updateRegistry(false);
        }
        UnregisterOwnTypeLib(m_ModulePath);
        return S_OK;
    });
}

void PellonarModule::AddTermFunc(TermFunc func, void* arg) {
    m_TermFuncs = new TermCallback{func, arg, m_TermFuncs};
}

}  // namespace tarnel
