#include "component/PellonarModule.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include "component/GasClass.h"
#include "component/PellonarIds.h"

namespace tarnel {

namespace {

PellonarModule* g_Module = nullptr;

// The full path of this module file, found through one of its own symbols.
std::string OwnPath() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&PellonarModule::ProcessAttach), &info) == 0 ||
        info.dli_fname == nullptr) {
        return {};
    }
    char resolved[PATH_MAX];
    return ::realpath(info.dli_fname, resolved) != nullptr ? resolved : info.dli_fname;
}

}  // namespace

PellonarModule& PellonarModule::Current() { return *g_Module; }

PellonarModule::PellonarModule()
    : m_ModulePath(OwnPath()), m_Libid(LIBID_PELLONARLib), m_Classes{&GasClassEntry()} {}

void PellonarModule::ProcessAttach() {
    g_Module = new PellonarModule();
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

void PellonarModule::AddTermFunc(TermFunc func, void* arg) {
    m_TermFuncs = new TermCallback{func, arg, m_TermFuncs};
}

}  // namespace tarnel
