#include "com/Guid.h"

#include <cstdio>

namespace tarnel {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads 2*bytes hex digits at text[pos], most significant first.
std::optional<std::uint32_t> Hex(std::string_view text, std::size_t pos, int bytes) {
    std::uint32_t v = 0;
    for (int i = 0; i < 2 * bytes; ++i) {
        int d = HexDigit(text[pos + i]);
        if (d < 0) return std::nullopt;
        v = (v << 4) | static_cast<std::uint32_t>(d);
    }
    return v;
}

}  // namespace

std::string StringFromGUID(REFGUID g) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1,
                  g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4],
                  g.Data4[5], g.Data4[6], g.Data4[7]);
    return buf;
}

std::optional<GUID> GUIDFromString(std::string_view t) {
    if (t.size() != 38 || t[0] != '{' || t[37] != '}' || t[9] != '-' || t[14] != '-' ||
        t[19] != '-' || t[24] != '-') {
        return std::nullopt;
    }
    GUID g{};
    auto d1 = Hex(t, 1, 4);
    auto d2 = Hex(t, 10, 2);
    auto d3 = Hex(t, 15, 2);
    if (!d1 || !d2 || !d3) return std::nullopt;
    g.Data1 = *d1;
    g.Data2 = static_cast<std::uint16_t>(*d2);
    g.Data3 = static_cast<std::uint16_t>(*d3);
    constexpr std::size_t kPos[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int i = 0; i < 8; ++i) {
        auto b = Hex(t, kPos[i], 1);
        if (!b) return std::nullopt;
        g.Data4[i] = static_cast<std::uint8_t>(*b);
    }
    return g;
}

}  // namespace tarnel
