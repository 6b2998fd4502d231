#include "com/RegistryKey.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace tarnel {

namespace {

char Fold(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Splits "a\b\c" at its first backslash.
std::pair<std::string_view, std::string_view> Head(std::string_view path) {
    std::size_t cut = path.find('\\');
    if (cut == std::string_view::npos) return {path, {}};
    return {path.substr(0, cut), path.substr(cut + 1)};
}

}  // namespace

bool RegistryNameLess::operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return Fold(x) < Fold(y); });
}

// The subtree is taken apart into a work list first, so every key is
// destroyed without subkeys of its own.
RegistryKey::~RegistryKey() {
    std::vector<std::unique_ptr<RegistryKey>> work;
    for (auto& entry : m_Subkeys) work.push_back(std::move(entry.second));
    while (!work.empty()) {
        std::unique_ptr<RegistryKey> key = std::move(work.back());
        work.pop_back();
        for (auto& entry : key->m_Subkeys) work.push_back(std::move(entry.second));
        key->m_Subkeys.clear();
    }
}

bool RegistryKey::ValidName(std::string_view name) {
    return !name.empty() && name.size() <= 255 && name.find('\\') == std::string_view::npos;
}

RegistryKey* RegistryKey::Subkey(std::string_view name) {
    auto it = m_Subkeys.find(std::string(name));
    return it == m_Subkeys.end() ? nullptr : it->second.get();
}

const RegistryKey* RegistryKey::Subkey(std::string_view name) const {
    return const_cast<RegistryKey*>(this)->Subkey(name);
}

RegistryKey* RegistryKey::CreateSubkey(std::string_view name) {
    if (!ValidName(name)) return nullptr;
    auto& slot = m_Subkeys[std::string(name)];
    if (!slot) slot = std::make_unique<RegistryKey>();
    return slot.get();
}

bool RegistryKey::DeleteSubkey(std::string_view name) {
    return m_Subkeys.erase(std::string(name)) > 0;
}

const RegistryKey* RegistryKey::Find(std::string_view path) const {
    const RegistryKey* key = this;
    while (key != nullptr && !path.empty()) {
        auto [head, rest] = Head(path);
        key = key->Subkey(head);
        path = rest;
    }
    return key;
}

RegistryKey* RegistryKey::Find(std::string_view path) {
    return const_cast<RegistryKey*>(std::as_const(*this).Find(path));
}

RegistryKey* RegistryKey::CreatePath(std::string_view path) {
    RegistryKey* key = this;
    while (key != nullptr && !path.empty()) {
        auto [head, rest] = Head(path);
        key = key->CreateSubkey(head);
        path = rest;
    }
    return key;
}

const RegistryValue* RegistryKey::Value(std::string_view name) const {
    auto it = m_Values.find(std::string(name));
    return it == m_Values.end() ? nullptr : &it->second;
}

void RegistryKey::SetValue(std::string_view name, RegistryValue value) {
    m_Values[std::string(name)] = std::move(value);
}

bool RegistryKey::DeleteValue(std::string_view name) {
    return m_Values.erase(std::string(name)) > 0;
}

}  // namespace tarnel
