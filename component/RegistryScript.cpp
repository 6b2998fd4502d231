#include "component/RegistryScript.h"

#include <array>
#include <utility>

#include "com/Bstr.h"
#include "com/RegistryFile.h"
#include "com/Variant.h"

namespace tarnel {

namespace {

using Token = ScriptLexer::Token;

constexpr std::array<std::pair<std::string_view, std::string_view>, 14> kRoots{{
    {"HKCR", "HKEY_CLASSES_ROOT"},
    {"HKCU", "HKEY_CURRENT_USER"},
    {"HKLM", "HKEY_LOCAL_MACHINE"},
    {"HKU", "HKEY_USERS"},
    {"HKPD", "HKEY_PERFORMANCE_DATA"},
    {"HKDD", "HKEY_DYN_DATA"},
    {"HKCC", "HKEY_CURRENT_CONFIG"},
    {"HKEY_CLASSES_ROOT", "HKEY_CLASSES_ROOT"},
    {"HKEY_CURRENT_USER", "HKEY_CURRENT_USER"},
    {"HKEY_LOCAL_MACHINE", "HKEY_LOCAL_MACHINE"},
    {"HKEY_USERS", "HKEY_USERS"},
    {"HKEY_PERFORMANCE_DATA", "HKEY_PERFORMANCE_DATA"},
    {"HKEY_DYN_DATA", "HKEY_DYN_DATA"},
    {"HKEY_CURRENT_CONFIG", "HKEY_CURRENT_CONFIG"},
}};

std::string_view RootNamed(const Token& t) {
    for (const auto& [shortName, longName] : kRoots) {
        if (t.IsKeyword(shortName)) return longName;
    }
    return {};
}

// Keys that a script may never delete, whatever it marks them with and
// however it writes their names.
bool Exempt(const Token& name) { return name.Names("CLSID") || name.Names("TYPELIB"); }

HRESULT DwordFrom(const std::string& text, RegistryValue& out) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = BstrFromUtf8(text);
    HRESULT hr = VariantChangeType(&v, &v, 0, VT_UI4);
    std::uint32_t n = SUCCEEDED(hr) ? v.ulVal : 0;
    VariantClear(&v);
    if (FAILED(hr)) return hr;
    out.type = REG_DWORD;
    for (int i = 0; i < 4; ++i) out.data += static_cast<char>((n >> (8 * i)) & 0xFF);
    return S_OK;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

HRESULT BinaryFrom(const std::string& text, RegistryValue& out) {
    if (text.size() % 2 != 0) return E_FAIL;
    out.type = REG_BINARY;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        int high = HexDigit(text[i]), low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0) return E_FAIL;
        out.data += static_cast<char>(high * 16 + low);
    }
    return S_OK;
}

}  // namespace

RegistryScript::RegistryScript(std::string_view script, RegistryKey& root)
    : m_Script(script), m_Root(root) {}

HRESULT RegistryScript::Run(const ScriptReplacements& replacements, bool bRegister) {
    HRESULT hr = SubstituteScript(m_Script, replacements, m_Text);
    if (FAILED(hr)) return hr;
    m_Lexer = ScriptLexer(m_Text);
    return RootBlocks(bRegister);
}

HRESULT RegistryScript::NextToken(Token& token) {
    HRESULT hr = m_Lexer.Next(token);
    if (FAILED(hr)) return hr;
    return token.end ? DISP_E_EXCEPTION : S_OK;  // every caller needs another token
}

HRESULT RegistryScript::RootBlocks(bool bRegister) {
    for (;;) {
        Token root;
        HRESULT hr = m_Lexer.Next(root);
        if (FAILED(hr) || root.end) return hr;
        std::string_view name = RootNamed(root);
        if (name.empty() || !m_Lexer.Accept("{")) return DISP_E_EXCEPTION;
        std::size_t start = m_Lexer.Position();
        RegistryKey* key = bRegister ? m_Root.CreateSubkey(name) : m_Root.Subkey(name);
        hr = Block(key, bRegister);
        if (FAILED(hr)) {
            if (bRegister) {
                m_Lexer.Seek(start);
                Block(key, false);
            }
            return hr;
        }
    }
}

// Items up to the brace that closes the block of key, nested blocks included.
HRESULT RegistryScript::Block(RegistryKey* key, bool bRegister) {
    Blocks open{{key, nullptr, {}}};
    HRESULT hr = S_OK;
    while (SUCCEEDED(hr) && !open.empty()) {
        Token first;
        hr = NextToken(first);
        if (SUCCEEDED(hr) && first.Is("}")) {
            Close(open, bRegister);
        } else if (SUCCEEDED(hr)) {
            hr = Item(first, open, bRegister);
        }
    }
    // Also while unwinding from a failure, so a rolled-back block goes.
    while (!open.empty()) Close(open, bRegister);
    return hr;
}

// Unregister mode removes the block's key after its block, when nothing is
// left below it.
void RegistryScript::Close(Blocks& open, bool bRegister) {
    OpenBlock block = std::move(open.back());
    open.pop_back();
    if (!bRegister && !open.empty()) {
        RemoveIfEmpty(block.parent, block.name, block.key, open.back().noRemove);
    }
}

void RegistryScript::RemoveIfEmpty(RegistryKey* parent, const std::string& name, RegistryKey* key,
                                   bool noRemove) {
    if (key != nullptr && !key->HasSubkeys() && !noRemove) parent->DeleteSubkey(name);
}

HRESULT RegistryScript::Item(const Token& first, Blocks& open, bool bRegister) {
    if (first.IsKeyword("val")) return ValueItem(open.back().key, bRegister);
    Mark mark = first.IsKeyword("ForceRemove") ? Mark::ForceRemove
                : first.IsKeyword("NoRemove")  ? Mark::NoRemove
                : first.IsKeyword("Delete")    ? Mark::Delete
                                               : Mark::None;
    if (mark == Mark::None) return KeyItem(mark, first, open, bRegister);
    Token name;
    HRESULT hr = NextToken(name);
    return FAILED(hr) ? hr : KeyItem(mark, name, open, bRegister);
}

HRESULT RegistryScript::ValueItem(RegistryKey* parent, bool bRegister) {
    Token name;
    Assignment a;
    HRESULT hr = NextToken(name);
    if (FAILED(hr)) return hr;
    if (!m_Lexer.Accept("=")) return DISP_E_EXCEPTION;
    hr = ReadAssignment(a);
    if (FAILED(hr) || parent == nullptr) return hr;
    if (!bRegister) {
        parent->DeleteValue(name.text);
        return S_OK;
    }
    RegistryValue value;
    hr = Convert(a.type, a.value, value);
    if (SUCCEEDED(hr)) parent->SetValue(name.text, std::move(value));
    return hr;
}

HRESULT RegistryScript::KeyItem(Mark mark, const Token& name, Blocks& open, bool bRegister) {
    // The open blocks' keys and this one: its depth, the root key counted.
    if (name.Is("{") || name.Is("=") || name.Is("}") || name.text.find('\\') != std::string::npos ||
        open.size() + 1 > RegistryFile::kMaxDepth) {
        return DISP_E_EXCEPTION;
    }
    OpenBlock& block = open.back();
    RegistryKey* parent = block.key;
    // ForceRemove and Delete clear the key before anything else of the item.
    if (bRegister && parent != nullptr && (mark == Mark::ForceRemove || mark == Mark::Delete) &&
        !Exempt(name)) {
        parent->DeleteSubkey(name.text);
    }
    Assignment a;
    HRESULT hr = S_OK;
    if (m_Lexer.Accept("=")) hr = ReadAssignment(a);
    if (FAILED(hr)) return hr;
    bool hasBlock = m_Lexer.Accept("{");
    RegistryKey* key = nullptr;
    if (!bRegister) {
        block.noRemove = block.noRemove || mark == Mark::NoRemove;
        key = parent == nullptr ? nullptr : parent->Subkey(name.text);
        if (!hasBlock) RemoveIfEmpty(parent, name.text, key, block.noRemove);
    } else if (mark != Mark::Delete && parent != nullptr) {
        hr = SetKey(*parent, name.text, a, key);
        if (FAILED(hr)) return hr;
    }
    if (hasBlock) open.push_back({key, parent, name.text});
    return S_OK;
}

HRESULT RegistryScript::SetKey(RegistryKey& parent, const std::string& name, const Assignment& a,
                               RegistryKey*& key) {
    key = parent.CreateSubkey(name);
    if (key == nullptr) return DISP_E_EXCEPTION;
    if (!a.present) return S_OK;
    RegistryValue value;
    HRESULT hr = Convert(a.type, a.value, value);
    if (SUCCEEDED(hr)) key->SetValue("", std::move(value));
    return hr;
}

HRESULT RegistryScript::ReadAssignment(Assignment& a) {
    HRESULT hr = NextToken(a.type);
    if (SUCCEEDED(hr)) hr = NextToken(a.value);
    a.present = SUCCEEDED(hr);
    return hr;
}

HRESULT RegistryScript::Convert(const Token& type, const Token& value, RegistryValue& out) {
    if (type.Is("d")) return DwordFrom(value.text, out);
    if (type.Is("b")) return BinaryFrom(value.text, out);
    if (!type.Is("s")) return DISP_E_EXCEPTION;
    out = {REG_SZ, value.text};
    return S_OK;
}

}  // namespace tarnel
