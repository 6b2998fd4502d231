#include <gtest/gtest.h>

#include "tools/zcalc/CsvRow.h"

namespace tarnel {
namespace {

// Each record as "line:field|field" or "line!error".
std::vector<std::string> Render(const std::vector<CsvRow>& rows) {
    std::vector<std::string> out;
    for (const CsvRow& row : rows) {
        std::string s = std::to_string(row.Line) + (row.Error.empty() ? ":" : "!" + row.Error);
        for (std::size_t i = 0; i < row.Fields.size(); ++i) s += (i ? "|" : "") + row.Fields[i];
        out.push_back(s);
    }
    return out;
}

struct ReadCase {
    const char* name;
    std::string text;
    std::vector<std::string> rows;
};

class CsvRowRead : public testing::TestWithParam<ReadCase> {};

TEST_P(CsvRowRead, GivesTheRecordsAndErrors) {
    EXPECT_EQ(Render(ReadCsvRows(GetParam().text)), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CsvRowRead,
    testing::Values(
        ReadCase{"UnquotedTrimmed", "a, b ,\tc\t", {"1:a|b|c"}},
        ReadCase{"QuotedKeepsCommasBlanksAndQuotes",
                 "\"x, y\",\" bara\",\"say \"\"hi\"\"\",\"\"",
                 {"1:x, y| bara|say \"hi\"|"}},
        ReadCase{"BlanksAroundQuotesIgnored", " \"deg F\" ,500", {"1:deg F|500"}},
        ReadCase{"EmptyFields", "a,,b,", {"1:a||b|"}},
        ReadCase{"LineEnds", "a\r\nb\nc\rd\r\n", {"1:a", "2:b", "3:c", "4:d"}},
        ReadCase{"ByteOrderMarkSkipped",
                 "\xEF\xBB\xBF"
                 "a,b",
                 {"1:a|b"}},
        ReadCase{"BlankLinesGiveNoRecord", "\n  \t\r\na\n\n", {"3:a"}},
        ReadCase{"QuotedLineBreak", "\"a\r\nb\",c\nd", {"1:a\r\nb|c", "3:d"}},
        ReadCase{
            "UnterminatedQuoteCostsOnlyItsLine", "a,\"b\nc,d\n", {"1!unterminated quote", "2:c|d"}},
        ReadCase{"TextAfterClosingQuote", "\"psi\"g,1\nd", {"1!text after a closing quote", "2:d"}},
        ReadCase{
            "QuoteInUnquotedField", "ab\"c\",d\ne", {"1!a quote inside an unquoted field", "2:e"}},
        ReadCase{"ErrorInsideALongRecordResumesOnItsNextLine",
                 "\"a\nb\"x\nc",
                 {"1!text after a closing quote", "2!a quote inside an unquoted field", "3:c"}},
        ReadCase{"Empty", "", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CsvField, QuotesOnlyWhatNeedsItAndReadsBack) {
    for (const std::string text : {"bar (g)", "a,b", "say \"hi\"", "two\nlines", " lead", ""}) {
        const std::string field = CsvField(text);
        EXPECT_EQ(field.front() == '"', text != "bar (g)" && !text.empty()) << field;
        const auto rows = ReadCsvRows(field + "," + field + "\n");
        ASSERT_EQ(rows.size(), 1u) << field;
        EXPECT_EQ(rows[0].Fields, (std::vector<std::string>{text, text})) << field;
    }
}

}  // namespace
}  // namespace tarnel
