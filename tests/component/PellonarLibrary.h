#pragma once
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "com/ComPtr.h"
#include "com/IClassFactory.h"
#include "component/PellonarIds.h"
#include "eos/IGas.h"

namespace tarnel {

// libPellonar.so loaded with dlopen, as the component runtime loads it, with
// its four exports. A copy under another path is a separate module.
class PellonarLibrary {
public:
    using GetClassObjectFn = HRESULT (*)(REFCLSID, REFIID, void**);
    using ServerFn = HRESULT (*)();

    explicit PellonarLibrary(const std::string& path = PELLONAR_PATH)
        : m_Handle(::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
        if (m_Handle == nullptr) {
            ADD_FAILURE() << ::dlerror();
            return;
        }
        GetClassObject = reinterpret_cast<GetClassObjectFn>(::dlsym(m_Handle, "DllGetClassObject"));
        CanUnloadNow = reinterpret_cast<ServerFn>(::dlsym(m_Handle, "DllCanUnloadNow"));
        RegisterServer = reinterpret_cast<ServerFn>(::dlsym(m_Handle, "DllRegisterServer"));
        UnregisterServer = reinterpret_cast<ServerFn>(::dlsym(m_Handle, "DllUnregisterServer"));
    }
    ~PellonarLibrary() {
        if (m_Handle != nullptr) ::dlclose(m_Handle);
    }
    PellonarLibrary(const PellonarLibrary&) = delete;
    PellonarLibrary& operator=(const PellonarLibrary&) = delete;

    // Copies the module to dir/name and returns the full path of the copy.
    static std::string CopyTo(const std::filesystem::path& dir,
                              const std::string& name = "libPellonar.so") {
        std::filesystem::create_directories(dir);
        std::filesystem::copy_file(PELLONAR_PATH, dir / name,
                                   std::filesystem::copy_options::overwrite_existing);
        return (dir / name).string();
    }

    static bool Loaded(const std::string& path) {
        void* h = ::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (h != nullptr) ::dlclose(h);
        return h != nullptr;
    }

    ComPtr<IClassFactory> Factory() {
        ComPtr<IClassFactory> factory;
        EXPECT_EQ(GetClassObject(CLSID_Gas, IID_IClassFactory, factory.PutVoid()), S_OK);
        return factory;
    }

    ComPtr<IGas> NewGas() {
        ComPtr<IGas> gas;
        EXPECT_EQ(Factory()->CreateInstance(nullptr, IID_IGas, gas.PutVoid()), S_OK);
        return gas;
    }

    GetClassObjectFn GetClassObject = nullptr;
    ServerFn CanUnloadNow = nullptr;
    ServerFn RegisterServer = nullptr;
    ServerFn UnregisterServer = nullptr;

private:
    void* m_Handle;
};

}  // namespace tarnel
