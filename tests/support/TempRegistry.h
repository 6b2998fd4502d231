#pragma once
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/TempFolder.h"

namespace tarnel {

// The "\k" names below the root key, depth names in all.
inline std::string NestedPath(std::size_t depth) {
    std::string path = "HKEY_CLASSES_ROOT";
    for (std::size_t i = 1; i < depth; ++i) path += "\\k";
    return path;
}

// A registry file whose second line is one key path depth names deep.
inline std::string NestedRegistryText(std::size_t depth) {
    return "; Tarnel registry\n" + NestedPath(depth) + "\n";
}

// A fresh folder for one test, with TARNEL_REGISTRY pointing into it; both go
// when the test ends.
class TempRegistry {
public:
    TempRegistry() { ::setenv("TARNEL_REGISTRY", m_Path.c_str(), 1); }
    ~TempRegistry() { ::unsetenv("TARNEL_REGISTRY"); }
    TempRegistry(const TempRegistry&) = delete;
    TempRegistry& operator=(const TempRegistry&) = delete;

    const std::filesystem::path& Dir() const { return m_Folder.Path(); }
    const std::string& Path() const { return m_Path; }

private:
    TempFolder m_Folder;
    std::string m_Path = m_Folder.File("registry");
};

}  // namespace tarnel
