#pragma once
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "com/WinTypes.h"

namespace tarnel {

constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

// A value as stored: REG_SZ keeps the text without its NUL, REG_DWORD four
// little-endian bytes, REG_BINARY the bytes themselves.
struct RegistryValue {
    DWORD type = REG_SZ;
    std::string data;
    bool operator==(const RegistryValue&) const = default;
};

// Registry names compare without regard to ASCII letter case and keep the
// case they were created with.
struct RegistryNameLess {
    bool operator()(const std::string& a, const std::string& b) const;
};

// One key of the registry tree: named subkeys and named values ("" is the
// default value). Nothing here recurses once per level, so a tree of any
// depth is walked and released without running out of stack.
class RegistryKey {
public:
    using Subkeys = std::map<std::string, std::unique_ptr<RegistryKey>, RegistryNameLess>;
    using Values = std::map<std::string, RegistryValue, RegistryNameLess>;

    RegistryKey() = default;
    ~RegistryKey();
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // Key names are 1 to 255 characters without a backslash.
    static bool ValidName(std::string_view name);

    RegistryKey* Subkey(std::string_view name);
    const RegistryKey* Subkey(std::string_view name) const;
    // Opens or creates; nullptr for an invalid name.
    RegistryKey* CreateSubkey(std::string_view name);
    // Deletes the key with its whole subtree; false when it did not exist.
    bool DeleteSubkey(std::string_view name);
    bool HasSubkeys() const { return !m_Subkeys.empty(); }
    const Subkeys& AllSubkeys() const { return m_Subkeys; }

    // Backslash-separated paths below this key.
    const RegistryKey* Find(std::string_view path) const;
    RegistryKey* Find(std::string_view path);
    RegistryKey* CreatePath(std::string_view path);

    const RegistryValue* Value(std::string_view name) const;
    void SetValue(std::string_view name, RegistryValue value);
    bool DeleteValue(std::string_view name);
    const Values& AllValues() const { return m_Values; }

private:
    Subkeys m_Subkeys;
    Values m_Values;
};

}  // namespace tarnel
