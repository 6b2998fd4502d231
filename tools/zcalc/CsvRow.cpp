#include "tools/zcalc/CsvRow.h"

namespace tarnel {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }

// Walks the text once, record by record, and counts lines as it goes.
class CsvParser {
public:
    explicit CsvParser(std::string_view text) : m_Text(text) {
        if (m_Text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
            m_Pos = kByteOrderMark.size();
    }

    std::vector<CsvRow> ReadAll() {
        std::vector<CsvRow> rows;
        while (!AtEnd()) {
            if (!SkipBlankLine()) rows.push_back(ReadRecord());
        }
        return rows;
    }

private:
    bool AtEnd() const { return m_Pos >= m_Text.size(); }
    char Peek() const { return m_Text[m_Pos]; }

    // A line of nothing but blanks holds no record.
    bool SkipBlankLine() {
        std::size_t end = m_Pos;
        while (end < m_Text.size() && IsBlank(m_Text[end])) ++end;
        if (end < m_Text.size() && !IsLineEnd(m_Text[end])) return false;
        m_Pos = end;
        SkipLineEnd();
        return true;
    }

    CsvRow ReadRecord() {
        CsvRow row;
        row.Line = m_Line;
        const std::size_t start = m_Pos;
        for (;;) {
            std::string field;
            row.Error = ReadField(field);
            if (!row.Error.empty()) {
                row.Fields.clear();
                ResumeAfterLineOf(start, row.Line);
                return row;
            }
            row.Fields.push_back(std::move(field));
            if (AtEnd()) return row;
            if (Peek() != ',') break;
            ++m_Pos;
        }
        SkipLineEnd();
        return row;
    }

    // Reads one field up to the comma, line end or end of text that follows it;
    // returns why it cannot be read, or nothing.
    std::string ReadField(std::string& field) {
        while (!AtEnd() && IsBlank(Peek())) ++m_Pos;
        if (!AtEnd() && Peek() == '"') return ReadQuoted(field);
        return ReadUnquoted(field);
    }

    std::string ReadQuoted(std::string& text) {
        for (++m_Pos;; ++m_Pos) {
            if (AtEnd()) return "unterminated quote";
            if (Peek() == '"') {
                if (m_Pos + 1 < m_Text.size() && m_Text[m_Pos + 1] == '"') {
                    text += '"';
                    ++m_Pos;
                    continue;
                }
                break;
            }
            CountLineEnd(m_Pos);
            text += Peek();
        }
        for (++m_Pos; !AtEnd() && IsBlank(Peek());) ++m_Pos;
        if (AtEnd() || Peek() == ',' || IsLineEnd(Peek())) return "";
        return "text after a closing quote";
    }

    std::string ReadUnquoted(std::string& text) {
        const std::size_t first = m_Pos;
        while (!AtEnd() && Peek() != ',' && !IsLineEnd(Peek())) {
            if (Peek() == '"') return "a quote inside an unquoted field";
            ++m_Pos;
        }
        std::size_t last = m_Pos;
        while (last > first && IsBlank(m_Text[last - 1])) --last;
        text = m_Text.substr(first, last - first);
        return "";
    }

    // A line ends at LF, at CR LF, or at a CR alone.
    void CountLineEnd(std::size_t pos) {
        if (m_Text[pos] == '\n' ||
            (m_Text[pos] == '\r' && (pos + 1 == m_Text.size() || m_Text[pos + 1] != '\n')))
            ++m_Line;
    }

    void SkipLineEnd() {
        if (!AtEnd() && Peek() == '\r') ++m_Pos;
        if (!AtEnd() && Peek() == '\n') ++m_Pos;
        ++m_Line;
    }

    void ResumeAfterLineOf(std::size_t start, std::size_t line) {
        m_Pos = start;
        while (!AtEnd() && !IsLineEnd(Peek())) ++m_Pos;
        m_Line = line;
        SkipLineEnd();
    }

    std::string_view m_Text;
    std::size_t m_Pos = 0;
    std::size_t m_Line = 1;
};

}  // namespace

std::vector<CsvRow> ReadCsvRows(std::string_view text) { return CsvParser(text).ReadAll(); }

std::string CsvField(std::string_view text) {
    // A leading byte-order mark would be skipped as the mark of the text when
    // the field comes first.
    const bool quote = text.find_first_of(",\"\r\n") != std::string_view::npos ||
                       (!text.empty() && (IsBlank(text.front()) || IsBlank(text.back()))) ||
                       text.substr(0, kByteOrderMark.size()) == kByteOrderMark;
    if (!quote) return std::string(text);
    std::string field = "\"";
    for (const char c : text) {
        if (c == '"') field += '"';
        field += c;
    }
    return field + '"';
}

}  // namespace tarnel
