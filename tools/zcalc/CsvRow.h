#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarnel {

// One record of a CSV text: the line it starts on and its fields, or why it
// could not be read.
struct CsvRow {
    std::size_t Line = 0;
    std::vector<std::string> Fields;
    std::string Error;  // empty when the record was read
};

// Splits a whole CSV text into records by the common standard rules: a field
// in double quotes may hold commas, blanks, line breaks and doubled quotes, and
// its inner text is kept exactly (blanks around the quotes are ignored); an
// unquoted field is trimmed of blanks and tabs; lines end with CR LF, LF or CR;
// a leading UTF-8 byte-order mark is skipped; blank lines give no record. A
// record with an unterminated quote, text after a closing quote or a quote
// inside an unquoted field is returned with its error and no fields, and
// reading goes on at the line after the one it started on, so a stray quote
// costs only its own line.
std::vector<CsvRow> ReadCsvRows(std::string_view text);

// A field as written to CSV: in quotes, with its quotes doubled, when it holds
// a comma, a quote or a line break, begins or ends with a blank (which an
// unquoted field loses) or begins with a UTF-8 byte-order mark; otherwise as
// it is.
std::string CsvField(std::string_view text);

}  // namespace tarnel
