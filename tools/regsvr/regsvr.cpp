// regsvr: registers (or with -u unregisters) an in-process component by
// calling its DllRegisterServer (DllUnregisterServer) export.
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <string>

#include "com/HResult.h"

namespace tarnel {
namespace {

using ServerEntry = HRESULT (*)();

// The module must be found by path, not through the library search path, so
// that it registers the file the user named.
HRESULT CallEntry(const std::string& module, const char* entryName, std::string& detail) {
    char resolved[PATH_MAX];
    if (::realpath(module.c_str(), resolved) == nullptr) {
        detail = "file not found";
        return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
    }
    void* handle = ::dlopen(resolved, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* error = ::dlerror();
        detail = error != nullptr ? error : "cannot be loaded";
        return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
    }
    auto entry = reinterpret_cast<ServerEntry>(::dlsym(handle, entryName));
    HRESULT hr = HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    if (entry != nullptr) {
        hr = entry();
    } else {
        detail = std::string("the module has no ") + entryName;
    }
    ::dlclose(handle);
    return hr;
}

int Run(int argc, char** argv) {
    CLI::App app{"Registers or unregisters an in-process component."};
    bool unregister = false;
    std::string module;
    app.add_flag("-u,--unregister", unregister, "unregister instead of register");
    app.add_option("MODULE", module, "the component's shared library")->required();
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : 1;
    }
    const char* entryName = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    std::string detail;
    HRESULT hr = CallEntry(module, entryName, detail);
    std::printf("%s in %s %s (HRESULT 0x%08X)%s%s\n", entryName, module.c_str(),
                SUCCEEDED(hr) ? "succeeded" : "failed", static_cast<unsigned>(hr),
                detail.empty() ? "" : ": ", detail.c_str());
    return SUCCEEDED(hr) ? 0 : 1;
}

}  // namespace
}  // namespace tarnel

int main(int argc, char** argv) { return tarnel::Run(argc, argv); }
