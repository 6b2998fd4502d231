// regsvr: registers (or with -u unregisters) an in-process component by
// calling its DllRegisterServer (DllUnregisterServer) export.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <string>

#include "com/ModuleRegistration.h"

namespace tarnel {
namespace {

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
    const HRESULT hr = RegisterModule(module, unregister, detail);
    std::printf("%s in %s %s (HRESULT 0x%08X)%s%s\n", entryName, module.c_str(),
                SUCCEEDED(hr) ? "succeeded" : "failed", static_cast<unsigned>(hr),
                detail.empty() ? "" : ": ", detail.c_str());
    return SUCCEEDED(hr) ? 0 : 1;
}

}  // namespace
}  // namespace tarnel

int main(int argc, char** argv) { return tarnel::Run(argc, argv); }
