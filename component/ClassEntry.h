#pragma once
#include <atomic>

#include "com/IUnknown.h"

namespace tarnel {

// One class of the module's class table.
struct ClassEntry {
    const CLSID* clsid;
    // Runs the class's registry script in register or unregister mode.
    HRESULT (*updateRegistry)(bool bRegister);
    // Makes the class factory, asking it for riid.
    HRESULT (*createFactory)(REFIID riid, void** ppv);
    // Makes an instance, plain or aggregated by outer, asking it for riid.
    HRESULT (*createInstance)(IUnknown* outer, REFIID riid, void** ppv);
    // A class with a description is skipped by registration; Gas has none.
    const char* (*objectDescription)();
    // Component categories to register: none.
    const void* (*categoryMap)();
    // Start (true) and stop (false) hook of the class.
    void (*objectMain)(bool bStarting);
    // The cached class factory's IUnknown; the table keeps one reference.
    std::atomic<IUnknown*> factory{nullptr};
};

}  // namespace tarnel
