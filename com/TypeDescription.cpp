#include "com/TypeDescription.h"

#include <charconv>
#include <optional>

#include "com/Variant.h"

namespace tarnel {

namespace {

using Words = std::vector<std::string>;

// Splits a line into bare words and double-quoted texts.
std::optional<Words> SplitLine(std::string_view line) {
    Words words;
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
            ++i;
        } else if (line[i] == '"') {
            std::size_t end = line.find('"', i + 1);
            if (end == std::string_view::npos) return std::nullopt;
            words.emplace_back(line.substr(i + 1, end - i - 1));
            i = end + 1;
        } else {
            std::size_t end = line.find_first_of(" \t\r", i);
            if (end == std::string_view::npos) end = line.size();
            words.emplace_back(line.substr(i, end - i));
            i = end;
        }
    }
    return words;
}

template <typename T>
bool Number(const std::string& s, T& out) {
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && p == s.data() + s.size();
}

std::optional<VARTYPE> TypeNamed(const std::string& s) {
    if (s == "I2") return VT_I2;
    if (s == "I4") return VT_I4;
    if (s == "R4") return VT_R4;
    if (s == "R8") return VT_R8;
    if (s == "BOOL") return VT_BOOL;
    return std::nullopt;
}

std::optional<SYSKIND> SysKindNamed(const std::string& s) {
    if (s == "win16") return SYS_WIN16;
    if (s == "win32") return SYS_WIN32;
    if (s == "mac") return SYS_MAC;
    if (s == "win64") return SYS_WIN64;
    return std::nullopt;
}

bool ParseLibrary(const Words& w, TypeDescription& d) {
    if (w.size() != 7) return false;
    auto libid = GUIDFromString(w[2]);
    auto syskind = SysKindNamed(w[5]);
    std::size_t dot = w[3].find('.');
    if (!libid || !syskind || dot == std::string::npos || !Number(w[3].substr(0, dot), d.major) ||
        !Number(w[3].substr(dot + 1), d.minor) || !Number(w[4], d.lcid)) {
        return false;
    }
    d.name = w[1];
    d.libid = *libid;
    d.syskind = *syskind;
    d.help = w[6];
    return true;
}

bool ParseInterface(const Words& w, TypeDescription& d) {
    if (w.size() < 5) return false;
    TypeDescription::Type t;
    t.kind = TKIND_INTERFACE;
    t.name = w[1];
    t.help = w.back();
    auto iid = GUIDFromString(w[2]);
    if (!iid || (w[3] != "IDispatch" && w[3] != "IUnknown")) return false;
    t.guid = *iid;
    t.fromIDispatch = w[3] == "IDispatch";
    for (std::size_t i = 4; i + 1 < w.size(); ++i) {
        if (w[i] == "dual")
            t.dual = true;
        else if (w[i] == "oleautomation")
            t.oleAutomation = true;
        else
            return false;
    }
    d.types.push_back(std::move(t));
    return true;
}

bool ParseCoclass(const Words& w, TypeDescription& d) {
    auto clsid = w.size() == 4 ? GUIDFromString(w[2]) : std::nullopt;
    if (!clsid) return false;
    TypeDescription::Type t;
    t.kind = TKIND_COCLASS;
    t.name = w[1];
    t.guid = *clsid;
    t.help = w[3];
    d.types.push_back(std::move(t));
    return true;
}

bool ParseMember(const Words& w, TypeDescription& d) {
    if (d.types.empty() || w.size() != 5) return false;
    TypeDescription::Type& t = d.types.back();
    if (t.kind != TKIND_INTERFACE) return false;
    TypeDescription::Member m;
    m.kind = w[0] == "propget" ? INVOKE_PROPERTYGET : INVOKE_PROPERTYPUT;
    m.name = w[2];
    auto type = TypeNamed(w[3]);
    if (!type || !Number(w[1], m.memid)) return false;
    m.type = *type;
    m.help = w[4];
    m.slot = static_cast<UINT>((t.fromIDispatch ? 7 : 3) + t.members.size());
    t.members.push_back(std::move(m));
    return true;
}

bool ParseDefault(const Words& w, TypeDescription& d) {
    if (d.types.empty() || w.size() != 2 || d.types.back().kind != TKIND_COCLASS) return false;
    d.types.back().defaultInterface = w[1];
    return true;
}

bool ParseLine(const Words& w, TypeDescription& d, bool& haveLibrary) {
    const std::string& k = w[0];
    if (k == "library") return !haveLibrary && (haveLibrary = ParseLibrary(w, d));
    if (!haveLibrary) return false;
    if (k == "importlib" && w.size() == 2) {
        d.imports.push_back(w[1]);
        return true;
    }
    if (k == "interface") return ParseInterface(w, d);
    if (k == "coclass") return ParseCoclass(w, d);
    if (k == "propget" || k == "propput") return ParseMember(w, d);
    if (k == "default") return ParseDefault(w, d);
    return false;
}

}  // namespace

std::unique_ptr<TypeDescription> TypeDescription::Parse(std::string_view text) {
    auto d = std::make_unique<TypeDescription>();
    bool haveLibrary = false;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        auto words = SplitLine(line);
        if (!words) return nullptr;
        if (words->empty() || (*words)[0][0] == '#') continue;
        if (!ParseLine(*words, *d, haveLibrary)) return nullptr;
    }
    return haveLibrary ? std::move(d) : nullptr;
}

}  // namespace tarnel
