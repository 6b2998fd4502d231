#include "component/ScriptLexer.h"

namespace tarnel {

namespace {

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

bool ScriptLexer::Token::Names(std::string_view name) const {
    if (end || text.size() != name.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (Upper(text[i]) != Upper(name[i])) return false;
    }
    return true;
}

HRESULT ScriptLexer::Next(Token& token) {
    token = Token{};
    while (m_Pos < m_Text.size() && Blank(m_Text[m_Pos])) ++m_Pos;
    if (m_Pos >= m_Text.size()) {
        token.end = true;
        return S_OK;
    }
    if (m_Text[m_Pos] != '\'') {
        while (m_Pos < m_Text.size() && !Blank(m_Text[m_Pos])) token.text += m_Text[m_Pos++];
        return token.text.size() < kTokenBuffer ? S_OK : DISP_E_EXCEPTION;
    }
    token.quoted = true;
    for (++m_Pos;; ++m_Pos) {
        if (m_Pos >= m_Text.size()) return DISP_E_EXCEPTION;
        if (m_Text[m_Pos] == '\'') {
            if (m_Pos + 1 >= m_Text.size() || m_Text[m_Pos + 1] != '\'') break;
            ++m_Pos;  // two quotes stand for one
        }
        token.text += m_Text[m_Pos];
        if (token.text.size() >= kTokenBuffer) return DISP_E_EXCEPTION;
    }
    ++m_Pos;
    return S_OK;
}

bool ScriptLexer::Accept(std::string_view symbol) {
    std::size_t start = m_Pos;
    Token token;
    if (SUCCEEDED(Next(token)) && token.Is(symbol)) return true;
    m_Pos = start;
    return false;
}

}  // namespace tarnel
