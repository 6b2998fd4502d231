#include "com/ResourceSection.h"

#include <elf.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <optional>

namespace tarnel {

namespace {

constexpr HRESULT kNoFile = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
constexpr HRESULT kNoType = HRESULT_FROM_WIN32(ERROR_RESOURCE_TYPE_NOT_FOUND);
constexpr HRESULT kNoName = HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND);

// Bounds-checked reads from an open file.
class DataFile {
public:
    explicit DataFile(const std::string& path) : m_In(path, std::ios::binary) {
        if (m_In) {
            m_In.seekg(0, std::ios::end);
            m_Size = static_cast<std::uint64_t>(m_In.tellg());
        }
    }
    bool Open() const { return static_cast<bool>(m_In); }

    bool Read(std::uint64_t offset, void* out, std::uint64_t size) {
        if (offset > m_Size || size > m_Size - offset) return false;
        m_In.seekg(static_cast<std::streamoff>(offset));
        m_In.read(static_cast<char*>(out), static_cast<std::streamsize>(size));
        return static_cast<bool>(m_In);
    }

private:
    std::ifstream m_In;
    std::uint64_t m_Size = 0;
};

std::optional<std::string> ReadSection(DataFile& file) {
    Elf64_Ehdr eh{};
    if (!file.Read(0, &eh, sizeof eh) || !IsModuleFile({reinterpret_cast<char*>(eh.e_ident), 4}) ||
        eh.e_ident[EI_CLASS] != ELFCLASS64 || eh.e_shentsize != sizeof(Elf64_Shdr) ||
        eh.e_shstrndx >= eh.e_shnum) {
        return std::nullopt;
    }
    auto header = [&](std::uint32_t i, Elf64_Shdr& sh) {
        return file.Read(eh.e_shoff + std::uint64_t{i} * sizeof(Elf64_Shdr), &sh, sizeof sh);
    };
    Elf64_Shdr names{};
    if (!header(eh.e_shstrndx, names)) return std::nullopt;
    constexpr std::size_t kNameLen = sizeof kResourceSectionName;
    for (std::uint32_t i = 0; i < eh.e_shnum; ++i) {
        Elf64_Shdr sh{};
        char name[kNameLen] = {};
        if (!header(i, sh) || sh.sh_name >= names.sh_size ||
            !file.Read(names.sh_offset + sh.sh_name, name,
                       std::min<std::uint64_t>(kNameLen, names.sh_size - sh.sh_name)) ||
            std::memcmp(name, kResourceSectionName, kNameLen) != 0) {
            continue;
        }
        std::string data(sh.sh_size, '\0');
        if (sh.sh_type == SHT_NOBITS || !file.Read(sh.sh_offset, data.data(), sh.sh_size)) break;
        return data;
    }
    return std::nullopt;
}

// Walks the section's entries; every length is checked against what is left.
class SectionReader {
public:
    explicit SectionReader(std::string_view s) : m_Rest(s) {}
    bool Take(std::size_t n, std::string_view& out) {
        if (n > m_Rest.size()) return false;
        out = m_Rest.substr(0, n);
        m_Rest.remove_prefix(n);
        return true;
    }
    bool Number(int width, std::uint32_t& v) {
        std::string_view b;
        if (!Take(static_cast<std::size_t>(width), b)) return false;
        v = 0;
        for (int i = width - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[i]);
        return true;
    }

private:
    std::string_view m_Rest;
};

}  // namespace

bool IsModuleFile(std::string_view s) {
    return s.size() >= 4 && s.substr(0, 4) ==
                                "\x7f"
                                "ELF";
}

HRESULT LoadModuleResource(const std::string& modulePath, std::string_view type, std::uint32_t id,
                           std::string& data) {
    DataFile file(modulePath);
    if (!file.Open()) return kNoFile;
    std::optional<std::string> section = ReadSection(file);
    if (!section) return kNoType;
    SectionReader r(*section);
    std::string_view magic;
    std::uint32_t count = 0;
    if (!r.Take(kResourceMagic.size(), magic) || magic != kResourceMagic || !r.Number(4, count)) {
        return kNoType;
    }
    bool typeSeen = false;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t typeLen = 0, entryId = 0, language = 0, size = 0;
        std::string_view entryType, bytes;
        if (!r.Number(2, typeLen) || !r.Take(typeLen, entryType) || !r.Number(4, entryId) ||
            !r.Number(4, language) || !r.Number(4, size) || !r.Take(size, bytes)) {
            break;
        }
        typeSeen = typeSeen || entryType == type;
        if (entryType == type && entryId == id) {
            data.assign(bytes);
            return S_OK;
        }
    }
    return typeSeen ? kNoName : kNoType;
}

}  // namespace tarnel
