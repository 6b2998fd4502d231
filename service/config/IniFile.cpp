#include "service/config/IniFile.h"

#include <algorithm>
#include <cctype>

#include "service/base/TextCase.h"

namespace tarnel {

namespace {

constexpr const char* kUtf8ByteOrderMark = "\xEF\xBB\xBF";

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// "[name]" gives the trimmed name; anything else is no section header.
std::optional<std::string> SectionName(const std::string& strLine) {
    const std::string line = Trim(strLine);
    const auto close = line.rfind(']');
    if (line.empty() || line[0] != '[' || close == std::string::npos) return std::nullopt;
    return Trim(line.substr(1, close - 1));
}

// "key = value" gives the trimmed key; comments, headers and lines without '='
// hold no key.
std::optional<std::string> KeyName(const std::string& strLine) {
    const std::string line = Trim(strLine);
    const auto equals = line.find('=');
    if (line.empty() || line[0] == ';' || line[0] == '[' || equals == std::string::npos) {
        return std::nullopt;
    }
    return Trim(line.substr(0, equals));
}

std::string KeyValue(const std::string& strLine) {
    std::string value = Trim(strLine.substr(strLine.find('=') + 1));
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

}  // namespace

IniFile::IniFile(const std::string& strText) {
    size_t start = 0;
    if (strText.rfind(kUtf8ByteOrderMark, 0) == 0) {
        m_ByteOrderMark = kUtf8ByteOrderMark;
        start = m_ByteOrderMark.size();
    }
    while (start < strText.size()) {
        const auto stop = std::min(strText.find_first_of("\r\n", start), strText.size());
        size_t next = stop;
        if (next < strText.size()) next += strText.compare(next, 2, "\r\n") == 0 ? 2 : 1;
        m_Lines.push_back({strText.substr(start, stop - start), strText.substr(stop, next - stop)});
        start = next;
    }
    m_NewLineEnd = m_Lines.empty() || m_Lines[0].end.empty() ? "\n" : m_Lines[0].end;
}

std::optional<std::string> IniFile::Value(const std::string& Section,
                                          const std::string& Key) const {
    const auto header = FindSection(Section);
    if (!header) return std::nullopt;
    const auto line = FindKey(*header, Key);
    if (!line) return std::nullopt;
    return KeyValue(m_Lines[*line].text);
}

void IniFile::SetValue(const std::string& Section, const std::string& Key,
                       const std::string& Value) {
    const auto header = FindSection(Section);
    if (!header) {
        if (!m_Lines.empty() && !Trim(m_Lines.back().text).empty()) {
            InsertLine(m_Lines.size(), "");
        }
        InsertLine(m_Lines.size(), std::string("[").append(Trim(Section)).append("]"));
        InsertLine(m_Lines.size(), Trim(Key) + "=" + Value);
        return;
    }
    // An existing entry keeps the spelling of its key.
    if (const auto line = FindKey(*header, Key)) {
        m_Lines[*line].text = *KeyName(m_Lines[*line].text) + "=" + Value;
        return;
    }
    // After the section's last key, so that blank lines and comments that lead
    // into the next section stay where they are.
    size_t after = *header;
    const size_t end = SectionEnd(*header);
    for (size_t i = *header + 1; i < end; ++i) {
        if (KeyName(m_Lines[i].text)) after = i;
    }
    InsertLine(after + 1, Trim(Key) + "=" + Value);
}

std::string IniFile::Text() const {
    std::string text = m_ByteOrderMark;
    for (const Line& line : m_Lines) text += line.text + line.end;
    return text;
}

std::optional<size_t> IniFile::FindSection(const std::string& Section) const {
    const std::string wanted = Trim(Section);
    for (size_t i = 0; i < m_Lines.size(); ++i) {
        const auto name = SectionName(m_Lines[i].text);
        if (name && SameText(*name, wanted)) return i;
    }
    return std::nullopt;
}

size_t IniFile::SectionEnd(size_t nHeader) const {
    size_t i = nHeader + 1;
    while (i < m_Lines.size() && !SectionName(m_Lines[i].text)) ++i;
    return i;
}

std::optional<size_t> IniFile::FindKey(size_t nHeader, const std::string& Key) const {
    const std::string wanted = Trim(Key);
    const size_t end = SectionEnd(nHeader);
    for (size_t i = nHeader + 1; i < end; ++i) {
        const auto name = KeyName(m_Lines[i].text);
        if (name && SameText(*name, wanted)) return i;
    }
    return std::nullopt;
}

// A line added after an unterminated last line first ends that line.
void IniFile::InsertLine(size_t nAt, std::string strText) {
    if (nAt > 0 && m_Lines[nAt - 1].end.empty()) m_Lines[nAt - 1].end = m_NewLineEnd;
    m_Lines.insert(m_Lines.begin() + static_cast<std::ptrdiff_t>(nAt),
                   {std::move(strText), m_NewLineEnd});
}

}  // namespace tarnel
