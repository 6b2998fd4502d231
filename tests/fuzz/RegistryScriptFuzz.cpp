// A registry script run in register mode and then in unregister mode on a
// registry that holds a few keys of its own.
#include <cstdint>

#include "component/RegistryScript.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view script(reinterpret_cast<const char*>(data), size);
    tarnel::RegistryKey root;
    root.CreatePath("HKEY_CLASSES_ROOT\\CLSID\\{00000000-0000-0000-0000-000000000001}");
    root.CreatePath("HKEY_LOCAL_MACHINE\\SOFTWARE");
    const tarnel::ScriptReplacements replacements{{"Module", "/opt/lib''s/libPellonar.so"}};
    (void)tarnel::RegistryScript(script, root).Run(replacements, true);
    (void)tarnel::RegistryScript(script, root).Run(replacements, false);
    return 0;
}
