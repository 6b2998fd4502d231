#include "component/GasClass.h"

#include "com/RegistryStore.h"
#include "com/ResourceSection.h"
#include "component/ClassFactory.h"
#include "component/GasAggregate.h"
#include "component/PellonarIds.h"
#include "component/PellonarModule.h"
#include "component/RegistryScript.h"
#include "component/Resources.h"

namespace tarnel {

namespace {

HRESULT UpdateRegistry(bool bRegister) {
    const std::string& path = PellonarModule::Current().ModulePath();
    std::string script;
    HRESULT hr = LoadModuleResource(path, "REGISTRY", IDR_GAS, script);
    if (FAILED(hr)) return hr;
    ScriptReplacements replacements{{"Module", ModuleReplacement(path)}};
    return RegistryStore::Process().Update([&](RegistryKey& root) {
        return RegistryScript(script, root).Run(replacements, bRegister);
    });
}

HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
    return outer == nullptr ? GasObject::CreatePlain(riid, ppv)
                            : GasAggregate::Create(outer, riid, ppv);
}

HRESULT CreateFactory(REFIID riid, void** ppv) {
    return ClassFactory::Create(&CreateInstance, riid, ppv);
}

const char* NoDescription() { return nullptr; }
const void* NoCategories() { return nullptr; }
void NoStartStop(bool) {}

}  // namespace

ClassEntry& GasClassEntry() {
    static ClassEntry entry{&CLSID_Gas,     &UpdateRegistry, &CreateFactory, &CreateInstance,
                            &NoDescription, &NoCategories,   &NoStartStop};
    return entry;
}

}  // namespace tarnel
