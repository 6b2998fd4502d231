#include "tools/zcalc/RowReader.h"

#include <charconv>
#include <istream>
#include <ostream>

namespace tarnel {

namespace {

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t comma; (comma = line.find(',', start)) != std::string::npos;
         start = comma + 1) {
        fields.push_back(Trim(line.substr(start, comma - start)));
    }
    fields.push_back(Trim(line.substr(start)));
    return fields;
}

std::string Join(const std::vector<std::string>& names) {
    std::string s;
    for (const auto& n : names) s += (s.empty() ? "" : ",") + n;
    return s;
}

}  // namespace

RowReader::RowReader(std::istream& in, std::ostream& err, std::vector<std::string> required,
                     std::vector<std::string> optional)
    : m_In(in), m_Err(err), m_Required(std::move(required)), m_Optional(std::move(optional)) {}

bool RowReader::ReadHeader() {
    std::string line;
    if (std::getline(m_In, line)) ++m_Line;
    std::vector<std::string> all = m_Required;
    all.insert(all.end(), m_Optional.begin(), m_Optional.end());
    const auto names = Split(line);
    if (names == m_Required || names == all) {
        m_Columns = names.size();
        return true;
    }
    const std::string expected =
        m_Optional.empty() ? Join(m_Required) : Join(m_Required) + "[," + Join(m_Optional) + "]";
    Report("expected the header " + expected);
    return false;
}

std::optional<std::vector<std::string>> RowReader::Next() {
    std::string line;
    while (std::getline(m_In, line)) {
        ++m_Line;
        if (Trim(line).empty()) continue;
        auto row = Split(line);
        if (row.size() == m_Columns) return row;
        Report("expected " + std::to_string(m_Columns) + " columns, found " +
               std::to_string(row.size()) + "; row skipped");
    }
    return std::nullopt;
}

template <typename T>
std::optional<T> RowReader::Parse(const std::vector<std::string>& row, std::size_t column) {
    const std::string& text = row.at(column);
    T value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec == std::errc() && end == text.data() + text.size() && !text.empty()) return value;
    const std::string name =
        column < m_Required.size() ? m_Required[column] : m_Optional.at(column - m_Required.size());
    Report("column " + name + ": \"" + text + "\" is not a number; row skipped");
    return std::nullopt;
}

std::optional<double> RowReader::Double(const std::vector<std::string>& row, std::size_t column) {
    return Parse<double>(row, column);
}

std::optional<float> RowReader::Float(const std::vector<std::string>& row, std::size_t column) {
    return Parse<float>(row, column);
}

std::optional<std::int32_t> RowReader::Integer(const std::vector<std::string>& row,
                                               std::size_t column) {
    return Parse<std::int32_t>(row, column);
}

void RowReader::Report(const std::string& message) {
    m_HadErrors = true;
    m_Err << "zcalc: line " << m_Line << ": " << message << '\n';
}

}  // namespace tarnel
