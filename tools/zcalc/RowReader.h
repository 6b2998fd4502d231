#pragma once
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace tarnel {

// Reads a CSV table with a fixed header from a stream: required columns, then
// optional ones that are either all present or all absent. A malformed row is
// reported on the error stream with its line number and skipped.
class RowReader {
public:
    RowReader(std::istream& in, std::ostream& err, std::vector<std::string> required,
              std::vector<std::string> optional);

    // Reads and checks the header; false (reported) when it does not match.
    bool ReadHeader();
    bool HasOptionalColumns() const { return m_Columns > m_Required.size(); }

    // The next well-formed row, or nothing at the end of the input.
    std::optional<std::vector<std::string>> Next();

    // Numeric fields of the current row; a field that does not parse is
    // reported and the row must be skipped (the result is then nothing).
    std::optional<double> Double(const std::vector<std::string>& row, std::size_t column);
    std::optional<float> Float(const std::vector<std::string>& row, std::size_t column);
    std::optional<std::int32_t> Integer(const std::vector<std::string>& row, std::size_t column);

    bool HadErrors() const { return m_HadErrors; }

private:
    template <typename T>
    std::optional<T> Parse(const std::vector<std::string>& row, std::size_t column);
    void Report(const std::string& message);

    std::istream& m_In;
    std::ostream& m_Err;
    std::vector<std::string> m_Required;
    std::vector<std::string> m_Optional;
    std::size_t m_Columns = 0;
    std::size_t m_Line = 0;
    bool m_HadErrors = false;
};

}  // namespace tarnel
