#pragma once
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "tools/zcalc/CsvRow.h"

namespace tarnel {

// Reads a CSV table with a fixed header from a stream: the leading columns,
// then the gas's constants or one Gas column in their place, then optional
// columns that are either all present or all absent. A row that cannot be read
// or has the wrong number of fields is reported on the error stream with its
// line number and skipped.
class RowReader {
public:
    struct Columns {
        std::vector<std::string> Lead;
        std::vector<std::string> Constants;
        std::vector<std::string> Optional;
    };

    RowReader(std::istream& in, std::ostream& err, Columns columns);

    // Reads and checks the header; false (reported) when it does not match.
    bool ReadHeader();
    // Whether the header has this column.
    bool Has(const std::string& column) const;

    // The next row with as many fields as the header, or nothing at the end.
    const CsvRow* Next();

    // Fields of the current row by column name. A numeric field that does not
    // parse is reported and the row must be skipped (the result is then nothing).
    const std::string& Text(const std::string& column) const;
    std::optional<double> Double(const std::string& column);
    std::optional<float> Float(const std::string& column);
    std::optional<std::int32_t> Integer(const std::string& column);

    // A message about the current row: an error fails the run, a warning does not.
    void Report(const std::string& message);
    void Warn(const std::string& message) const;

    bool HadErrors() const { return m_HadErrors; }

private:
    template <typename T>
    std::optional<T> Parse(const std::string& column);
    std::string Expected() const;
    std::size_t Line() const;

    std::ostream& m_Err;
    Columns m_Columns;
    std::vector<CsvRow> m_Rows;
    std::size_t m_Next = 0;
    std::vector<std::string> m_Header;
    bool m_HadErrors = false;
};

}  // namespace tarnel
