#pragma once
#include <cstdlib>
#include <filesystem>
#include <string>

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
    TempRegistry() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tarnel-com-XXXXXX").string();
        m_Dir = ::mkdtemp(pattern.data());
        m_Path = (m_Dir / "registry").string();
        ::setenv("TARNEL_REGISTRY", m_Path.c_str(), 1);
    }
    ~TempRegistry() {
        ::unsetenv("TARNEL_REGISTRY");
        std::error_code ec;
        std::filesystem::remove_all(m_Dir, ec);
    }
    TempRegistry(const TempRegistry&) = delete;
    TempRegistry& operator=(const TempRegistry&) = delete;

    const std::filesystem::path& Dir() const { return m_Dir; }
    const std::string& Path() const { return m_Path; }

private:
    std::filesystem::path m_Dir;
    std::string m_Path;
};

}  // namespace tarnel
