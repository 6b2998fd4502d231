#include "com/Bstr.h"

#include <cstdlib>
#include <cstring>

namespace tarnel {

namespace {

// The length in bytes sits just before the characters.
std::uint32_t* Prefix(BSTR bstr) { return reinterpret_cast<std::uint32_t*>(bstr) - 1; }

std::size_t OleLength(LPCOLESTR psz) {
    std::size_t n = 0;
    while (psz[n] != 0) ++n;
    return n;
}

}  // namespace

BSTR SysAllocStringLen(LPCOLESTR pch, UINT cch) {
    auto* block = static_cast<std::uint32_t*>(
        std::malloc(sizeof(std::uint32_t) + (static_cast<std::size_t>(cch) + 1) * sizeof(OLECHAR)));
    if (block == nullptr) return nullptr;
    *block = cch * sizeof(OLECHAR);
    BSTR text = reinterpret_cast<BSTR>(block + 1);
    if (pch != nullptr) {
        std::memcpy(text, pch, cch * sizeof(OLECHAR));
    } else {
        std::memset(text, 0, cch * sizeof(OLECHAR));
    }
    text[cch] = 0;
    return text;
}

BSTR SysAllocString(LPCOLESTR psz) {
    if (psz == nullptr) return nullptr;
    return SysAllocStringLen(psz, static_cast<UINT>(OleLength(psz)));
}

void SysFreeString(BSTR bstr) {
    if (bstr != nullptr) std::free(Prefix(bstr));
}

UINT SysStringLen(BSTR bstr) { return bstr == nullptr ? 0 : *Prefix(bstr) / sizeof(OLECHAR); }

std::u16string Utf16FromUtf8(std::string_view text) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size();) {
        auto c = static_cast<unsigned char>(text[i]);
        int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        char32_t cp = c & (0x7F >> extra);
        if (i + extra >= text.size()) {
            cp = 0xFFFD;  // truncated sequence at the end
            i = text.size();
        } else {
            for (int k = 1; k <= extra; ++k) cp = (cp << 6) | (text[i + k] & 0x3F);
            i += static_cast<std::size_t>(extra) + 1;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

std::string Utf8FromUtf16(std::u16string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

BSTR BstrFromUtf8(std::string_view text) {
    std::u16string wide = Utf16FromUtf8(text);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

}  // namespace tarnel
