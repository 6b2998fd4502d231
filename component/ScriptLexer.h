#pragma once
#include <cstddef>
#include <string>
#include <string_view>

#include "com/HResult.h"

namespace tarnel {

// Tokens of a registry script. Tokens are separated by spaces, tabs, CR and
// LF; a token is a run of other characters or a text in single quotes in
// which two quotes stand for one. "{", "}" and "=" are tokens only when set
// off by white space, and only when not quoted.
class ScriptLexer {
public:
    static constexpr std::size_t kTokenBuffer = 4096;  // bytes, with the closing NUL

    struct Token {
        std::string text;
        bool quoted = false;
        bool end = false;  // no more text

        bool Is(std::string_view symbol) const { return !quoted && !end && text == symbol; }
        // Keywords compare without regard to case.
        bool IsKeyword(std::string_view keyword) const { return !quoted && Names(keyword); }
        // The text, quoted or not, without regard to case.
        bool Names(std::string_view name) const;
    };

    explicit ScriptLexer(std::string_view text) : m_Text(text) {}

    // DISP_E_EXCEPTION for a missing closing quote or a token too long for
    // the token buffer.
    HRESULT Next(Token& token);
    // Reads the next token only when it is the unquoted symbol.
    bool Accept(std::string_view symbol);

    std::size_t Position() const { return m_Pos; }
    void Seek(std::size_t pos) { m_Pos = pos; }

private:
    std::string_view m_Text;
    std::size_t m_Pos = 0;
};

}  // namespace tarnel
