#include "com/RegistryFile.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <optional>
#include <vector>

namespace tarnel {

namespace {

constexpr char kHeader[] = "; Tarnel registry";

bool Plain(unsigned char c) { return c >= 0x20 && c != 0x7F; }

std::string Hex2(unsigned char c) {
    char buf[3];
    std::snprintf(buf, sizeof buf, "%02x", c);
    return buf;
}

std::string EscapeKeyName(const std::string& name) {
    std::string out;
    for (unsigned char c : name) {
        if (Plain(c) && c != '%' && c != ';') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += Hex2(c);
        }
    }
    return out;
}

std::string Quote(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\')
            out += {'\\', static_cast<char>(c)};
        else if (Plain(c))
            out += static_cast<char>(c);
        else
            out.append("\\x").append(Hex2(c));
    }
    return out + "\"";
}

std::string ValueText(const RegistryValue& v) {
    if (v.type == REG_SZ) return "sz " + Quote(v.data);
    if (v.type == REG_DWORD && v.data.size() == 4) {
        std::uint32_t n = 0;
        for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<unsigned char>(v.data[i]);
        return "dword " + std::to_string(n);
    }
    std::string hex;
    for (unsigned char c : v.data) hex += Hex2(c);
    std::string type = v.type == REG_BINARY ? "binary" : "type" + std::to_string(v.type);
    return type.append(" ").append(hex);
}

void WriteKey(const RegistryKey& key, const std::string& path, std::string& out) {
    out.append(path).append("\n");
    for (const auto& [name, value] : key.AllValues()) {
        out.append("\t").append(name.empty() ? std::string("@") : Quote(name));
        out.append(" = ").append(ValueText(value)).append("\n");
    }
}

// Depth first with a stack of its own; path grows and shrinks with it.
void WriteTree(const RegistryKey& root, std::string& out) {
    struct Level {
        RegistryKey::Subkeys::const_iterator next, end;
        std::size_t pathSize;  // of the key whose subkeys these are
    };
    std::string path;
    std::vector<Level> stack{{root.AllSubkeys().begin(), root.AllSubkeys().end(), 0}};
    while (!stack.empty()) {
        Level& level = stack.back();
        if (level.next == level.end) {
            stack.pop_back();
            continue;
        }
        const auto& [name, child] = *level.next++;
        path.resize(level.pathSize);
        if (!path.empty()) path += '\\';
        path += EscapeKeyName(name);
        WriteKey(*child, path, out);
        stack.push_back({child->AllSubkeys().begin(), child->AllSubkeys().end(), path.size()});
    }
}

std::optional<unsigned char> HexByte(std::string_view s) {
    unsigned v = 0;
    if (s.size() < 2) return std::nullopt;
    auto [p, ec] = std::from_chars(s.data(), s.data() + 2, v, 16);
    if (ec != std::errc() || p != s.data() + 2) return std::nullopt;
    return static_cast<unsigned char>(v);
}

// Reads a quoted text at the front of s and removes it from s.
std::optional<std::string> Unquote(std::string_view& s) {
    if (s.empty() || s[0] != '"') return std::nullopt;
    std::string out;
    std::size_t i = 1;
    for (; i < s.size() && s[i] != '"'; ++i) {
        if (s[i] != '\\') {
            out += s[i];
            continue;
        }
        if (++i >= s.size()) return std::nullopt;
        if (s[i] == 'x') {
            auto b = HexByte(s.substr(i + 1));
            if (!b) return std::nullopt;
            out += static_cast<char>(*b);
            i += 2;
        } else {
            out += s[i];
        }
    }
    if (i >= s.size()) return std::nullopt;
    s.remove_prefix(i + 1);
    return out;
}

std::optional<std::string> UnescapeKeyPath(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            out += s[i];
            continue;
        }
        auto b = HexByte(s.substr(i + 1));
        if (!b) return std::nullopt;
        out += static_cast<char>(*b);
        i += 2;
    }
    return out;
}

std::optional<std::string> HexBytes(std::string_view s) {
    if (s.size() % 2 != 0) return std::nullopt;
    std::string out;
    for (std::size_t i = 0; i < s.size(); i += 2) {
        auto b = HexByte(s.substr(i));
        if (!b) return std::nullopt;
        out += static_cast<char>(*b);
    }
    return out;
}

std::optional<RegistryValue> ParseValue(std::string_view s) {
    auto space = s.find(' ');
    if (space == std::string_view::npos) return std::nullopt;
    std::string_view type = s.substr(0, space), data = s.substr(space + 1);
    if (type == "sz") {
        auto text = Unquote(data);
        if (!text || !data.empty()) return std::nullopt;
        return RegistryValue{REG_SZ, *text};
    }
    if (type == "dword") {
        std::uint32_t n = 0;
        auto [p, ec] = std::from_chars(data.data(), data.data() + data.size(), n);
        if (ec != std::errc() || p != data.data() + data.size()) return std::nullopt;
        std::string bytes;
        for (int i = 0; i < 4; ++i) bytes += static_cast<char>((n >> (8 * i)) & 0xFF);
        return RegistryValue{REG_DWORD, bytes};
    }
    auto bytes = HexBytes(data);
    if (!bytes) return std::nullopt;
    if (type == "binary") return RegistryValue{REG_BINARY, *bytes};
    if (type.substr(0, 4) != "type") return std::nullopt;
    DWORD n = 0;
    auto [p, ec] = std::from_chars(type.data() + 4, type.data() + type.size(), n);
    if (ec != std::errc() || p != type.data() + type.size()) return std::nullopt;
    return RegistryValue{n, *bytes};
}

bool ParseValueLine(std::string_view s, RegistryKey& key) {
    std::string name;
    if (!s.empty() && s[0] == '@') {
        s.remove_prefix(1);
    } else {
        auto quoted = Unquote(s);
        if (!quoted) return false;
        name = *quoted;
    }
    if (s.substr(0, 3) != " = ") return false;
    auto value = ParseValue(s.substr(3));
    if (!value) return false;
    key.SetValue(name, *value);
    return true;
}

// Why line is no key line; empty when it is one, and current is then its key.
std::string ParseKeyLine(std::string_view line, RegistryKey& root, RegistryKey*& current) {
    // Backslashes are never escaped, so they count the names.
    if (static_cast<std::size_t>(std::count(line.begin(), line.end(), '\\')) >=
        RegistryFile::kMaxDepth) {
        return "a key nested deeper than " + std::to_string(RegistryFile::kMaxDepth) + " levels";
    }
    auto path = UnescapeKeyPath(line);
    current = path ? root.CreatePath(*path) : nullptr;
    return current == nullptr ? "not a valid key path" : "";
}

}  // namespace

std::string RegistryFile::Serialize(const RegistryKey& root) {
    std::string out = std::string(kHeader) + "\n";
    WriteTree(root, out);
    return out;
}

std::unique_ptr<RegistryKey> RegistryFile::Parse(std::string_view text) {
    std::string error;
    return Parse(text, "registry", error);
}

std::unique_ptr<RegistryKey> RegistryFile::Parse(std::string_view text, std::string_view name,
                                                 std::string& error) {
    auto root = std::make_unique<RegistryKey>();
    RegistryKey* current = nullptr;
    for (std::size_t lineNumber = 1; !text.empty(); ++lineNumber) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (line.empty() || line[0] == ';') continue;
        std::string why;
        if (line[0] != '\t') {
            why = ParseKeyLine(line, *root, current);
        } else if (current == nullptr) {
            why = "a value before the first key";
        } else if (!ParseValueLine(line.substr(1), *current)) {
            why = "not a valid value line";
        }
        if (!why.empty()) {
            error = std::string(name) + ":" + std::to_string(lineNumber) + ": " + why;
            return nullptr;
        }
    }
    return root;
}

}  // namespace tarnel
