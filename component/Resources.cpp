#include "component/Resources.h"

#include "com/ResourceSection.h"

namespace tarnel {

namespace {

constexpr std::array kEntries{
    ResourceEntry{"REGISTRY", IDR_GAS, kLangEnglishAustralia, kGasRegistryScript},
    ResourceEntry{"TYPELIB", IDR_TYPELIB, kLangEnglishAustralia, kPellonarTypeLibrary},
    ResourceEntry{"STRING", IDS_PROJNAME, kLangEnglishUS, kProjectName},
    ResourceEntry{"VERSION", VS_VERSION_INFO, kLangEnglishUS, kVersionInfo},
};

constexpr std::size_t kSize = ResourceSectionSize(kEntries);

// Read back from the module file by LoadModuleResource, never through memory.
[[gnu::used, gnu::section(".tarnel.rsrc")]] const std::array<char, kSize> g_Resources =
    BuildResourceSection<kSize>(kEntries);

}  // namespace

}  // namespace tarnel
