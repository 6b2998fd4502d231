#include "tools/zcalc/RowReader.h"

#include <algorithm>
#include <charconv>
#include <istream>
#include <iterator>
#include <ostream>

namespace tarnel {

namespace {

std::string Join(const std::vector<std::string>& names) {
    std::string s;
    for (const auto& n : names) s += (s.empty() ? "" : ",") + n;
    return s;
}

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::string ReadAll(std::istream& in) {
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

RowReader::RowReader(std::istream& in, std::ostream& err, Columns columns)
    : m_Err(err), m_Columns(std::move(columns)), m_Rows(ReadCsvRows(ReadAll(in))) {}

bool RowReader::ReadHeader() {
    if (m_Rows.empty() || !m_Rows.front().Error.empty()) {
        Report("expected the header " + Expected());
        return false;
    }
    const std::vector<std::string>& names = m_Rows[m_Next++].Fields;
    for (const auto& constants : {m_Columns.Constants, std::vector<std::string>{"Gas"}}) {
        const auto required = Concat(m_Columns.Lead, constants);
        if (names == required || names == Concat(required, m_Columns.Optional)) {
            m_Header = names;
            return true;
        }
    }
    Report("expected the header " + Expected());
    return false;
}

std::string RowReader::Expected() const {
    return Join(m_Columns.Lead) + ",{" + Join(m_Columns.Constants) + "|Gas}[," +
           Join(m_Columns.Optional) + "]";
}

bool RowReader::Has(const std::string& column) const {
    return std::find(m_Header.begin(), m_Header.end(), column) != m_Header.end();
}

const CsvRow* RowReader::Next() {
    while (m_Next < m_Rows.size()) {
        const CsvRow& row = m_Rows[m_Next++];
        if (!row.Error.empty()) {
            Report(row.Error + "; row skipped");
        } else if (row.Fields.size() != m_Header.size()) {
            Report("expected " + std::to_string(m_Header.size()) + " columns, found " +
                   std::to_string(row.Fields.size()) + "; row skipped");
        } else {
            return &row;
        }
    }
    return nullptr;
}

const std::string& RowReader::Text(const std::string& column) const {
    const auto at = std::find(m_Header.begin(), m_Header.end(), column) - m_Header.begin();
    return m_Rows.at(m_Next - 1).Fields.at(static_cast<std::size_t>(at));
}

template <typename T>
std::optional<T> RowReader::Parse(const std::string& column) {
    const std::string& text = Text(column);
    T value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec == std::errc() && end == text.data() + text.size() && !text.empty()) return value;
    Report("column " + column + ": \"" + text + "\" is not a number; row skipped");
    return std::nullopt;
}

std::optional<double> RowReader::Double(const std::string& column) { return Parse<double>(column); }

std::optional<float> RowReader::Float(const std::string& column) { return Parse<float>(column); }

std::optional<std::int32_t> RowReader::Integer(const std::string& column) {
    return Parse<std::int32_t>(column);
}

std::size_t RowReader::Line() const {
    if (m_Rows.empty()) return 1;
    return m_Rows[m_Next == 0 ? 0 : m_Next - 1].Line;
}

void RowReader::Report(const std::string& message) {
    m_HadErrors = true;
    Warn(message);
}

void RowReader::Warn(const std::string& message) const {
    m_Err << "zcalc: line " << Line() << ": " << message << '\n';
}

}  // namespace tarnel
