#pragma once
#include <optional>
#include <string>
#include <vector>

namespace tarnel {

// The text of one INI file, line by line, read the way the Windows profile
// functions read it: section and key names compared without regard to case,
// blanks around names and values trimmed, one pair of matching quotes around a
// value removed, lines starting with ';' ignored, the first matching section
// and key win. Lines end at CR, CR LF or LF. Changes keep every other line as
// it was, byte for byte, line end included.
class IniFile {
public:
    explicit IniFile(const std::string& strText);

    std::optional<std::string> Value(const std::string& Section, const std::string& Key) const;

    // Replaces the key's value, adding the key or the section where missing.
    void SetValue(const std::string& Section, const std::string& Key, const std::string& Value);

    std::string Text() const;

private:
    struct Line {
        std::string text;
        std::string end;  // "\r\n", "\r", "\n", or empty for a last line without one
    };

    // Index of the first header naming Section; the lines of the section follow it
    // up to the next header.
    std::optional<size_t> FindSection(const std::string& Section) const;
    size_t SectionEnd(size_t nHeader) const;
    std::optional<size_t> FindKey(size_t nHeader, const std::string& Key) const;
    void InsertLine(size_t nAt, std::string strText);

    std::string m_ByteOrderMark;
    std::vector<Line> m_Lines;
    std::string m_NewLineEnd;  // the file's own line end, used for added lines
};

}  // namespace tarnel
