#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "com/WinTypes.h"

namespace tarnel {

// A module's resources live in one ELF section, ".tarnel.rsrc", laid out as
// "TRSC", a 32-bit count, then per resource: 16-bit type length, type name,
// 32-bit id, 32-bit language, 32-bit size and the bytes (little endian). The
// builder below lays out that section at compile time.
struct ResourceEntry {
    std::string_view type;
    std::uint32_t id;
    std::uint32_t language;
    std::string_view data;
};

inline constexpr char kResourceSectionName[] = ".tarnel.rsrc";
inline constexpr std::string_view kResourceMagic = "TRSC";

template <std::size_t N>
constexpr std::size_t ResourceSectionSize(const std::array<ResourceEntry, N>& entries) {
    std::size_t size = kResourceMagic.size() + 4;
    for (const ResourceEntry& e : entries) size += 2 + e.type.size() + 12 + e.data.size();
    return size;
}

template <std::size_t Size, std::size_t N>
constexpr std::array<char, Size> BuildResourceSection(const std::array<ResourceEntry, N>& entries) {
    std::array<char, Size> out{};
    std::size_t at = 0;
    auto bytes = [&](std::string_view s) {
        for (char c : s) out[at++] = c;
    };
    auto number = [&](std::uint32_t v, int width) {
        for (int i = 0; i < width; ++i) out[at++] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    bytes(kResourceMagic);
    number(static_cast<std::uint32_t>(N), 4);
    for (const ResourceEntry& e : entries) {
        number(static_cast<std::uint32_t>(e.type.size()), 2);
        bytes(e.type);
        number(e.id, 4);
        number(e.language, 4);
        number(static_cast<std::uint32_t>(e.data.size()), 4);
        bytes(e.data);
    }
    return out;
}

// Reads one resource from a module file opened as data, without loading it.
// Failures are system errors as HRESULTs: the file cannot be read
// (ERROR_FILE_NOT_FOUND), has no resource section or no resource of that type
// (ERROR_RESOURCE_TYPE_NOT_FOUND) or id (ERROR_RESOURCE_NAME_NOT_FOUND).
HRESULT LoadModuleResource(const std::string& modulePath, std::string_view type, std::uint32_t id,
                           std::string& data);

// True when the file starts like an ELF module.
bool IsModuleFile(std::string_view fileStart);

}  // namespace tarnel
