#include <gtest/gtest.h>

#include <vector>

#include "service/config/CsvReader.h"
#include "tests/support/TempFolder.h"

namespace tarnel {
namespace {

using Fields = std::vector<std::string>;

class CsvTest : public ::testing::Test {
protected:
    void SetUp() override { m_Reader.FileName(m_Temp.File("streams.csv")); }
    void WriteFile(const std::string& text) const { TempFolder::Write(m_Reader.FileName(), text); }
    Fields CurrentFields() const {
        Fields fields;
        for (int32_t i = 0; i < m_Reader.FieldCount(); ++i) fields.push_back(m_Reader.Field(i));
        return fields;
    }
    // Every line up to the first false ReadLine.
    std::vector<Fields> ReadAll() {
        std::vector<Fields> rows;
        m_Reader.OpenCSV();
        while (m_Reader.ReadLine()) rows.push_back(CurrentFields());
        return rows;
    }

    TempFolder m_Temp;
    CsvReader m_Reader;
};

struct SplitCase {
    const char* name;
    std::string line;
    bool useQuotes;
    Fields fields;  // empty: the line gives no field
};

void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }

class CsvSplit : public CsvTest, public ::testing::WithParamInterface<SplitCase> {};

TEST_P(CsvSplit, GivesTheFieldsOfOneLine) {
    WriteFile(GetParam().line + "\r\n");
    m_Reader.UseQuotes(GetParam().useQuotes);
    m_Reader.OpenCSV();
    EXPECT_EQ(m_Reader.ReadLine(), !GetParam().fields.empty());
    EXPECT_EQ(CurrentFields(), GetParam().fields);
    EXPECT_EQ(m_Reader.Field(-1), "");
    EXPECT_EQ(m_Reader.Field(m_Reader.FieldCount()), "");
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CsvSplit,
    ::testing::Values(SplitCase{"Trimmed", "a, b ,c", true, {"a", "b", "c"}},
                      SplitCase{"OneTrailingCommaAddsNoField", "a,b,", true, {"a", "b"}},
                      SplitCase{"TwoTrailingCommasAddOne", "a,b,,", true, {"a", "b", ""}},
                      SplitCase{"LeadingComma", ",a", true, {"", "a"}},
                      SplitCase{"TrailingCommaThenBlank", "a,b, ", true, {"a", "b", ""}},
                      SplitCase{"QuotesGroupCommas", "\"x, y\",z", true, {"x, y", "z"}},
                      SplitCase{"DoubledQuoteKept", "\"a\"\"b\",c", true, {"a\"\"b", "c"}},
                      SplitCase{"QuotesInsideField", "ab\"c,d\"e,f", true, {"ab\"c,d\"e", "f"}},
                      SplitCase{
                          "BlanksOutsideQuotesTrimmed", "  \" in \"  ,z", true, {" in ", "z"}},
                      SplitCase{"QuotesIgnored", "\"x, y\",z", false, {"\"x", "y\"", "z"}},
                      SplitCase{"UnclosedQuoteGivesNoField", "\"abc", true, {}},
                      SplitCase{"UnclosedQuoteLosesTheRest", "a,\"b,c", true, {"a"}},
                      SplitCase{"TabIsData", "\t", true, {"\t"}},
                      SplitCase{"QuotedEmptyField", "\"\",x", true, {"", "x"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CsvTest, StartsWithTheDocumentedDefaults) {
    EXPECT_TRUE(m_Reader.UseQuotes());
    EXPECT_EQ(m_Reader.MaxCols(), 100);
    EXPECT_EQ(m_Reader.Row(), 0);
    EXPECT_FALSE(m_Reader.EndOfFile());
    EXPECT_EQ(m_Reader.FieldCount(), 0);
}

TEST_F(CsvTest, MaxColsTakesOnlyPositiveValuesAndCutsLines) {
    m_Reader.MaxCols(11);
    m_Reader.MaxCols(0);
    m_Reader.MaxCols(-3);
    EXPECT_EQ(m_Reader.MaxCols(), 11);
    WriteFile("1,2,3,4,5,6,7,8,9,10,11,12,13,14,15\n");
    const auto rows = ReadAll();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].size(), 11u);
    EXPECT_EQ(rows[0].back(), "11");
}

struct FileCase {
    const char* name;
    std::string text;
    std::vector<Fields> rows;
};

void PrintTo(const FileCase& c, std::ostream* os) { *os << c.name; }

class CsvFile : public CsvTest, public ::testing::WithParamInterface<FileCase> {};

TEST_P(CsvFile, GivesEveryLineUpToTheEndOfData) {
    WriteFile(GetParam().text);
    EXPECT_EQ(ReadAll(), GetParam().rows);
    EXPECT_TRUE(m_Reader.EndOfFile());
    EXPECT_EQ(m_Reader.Row(), static_cast<int32_t>(GetParam().rows.size()));
    EXPECT_FALSE(m_Reader.ReadLine());
    EXPECT_EQ(m_Reader.Field(0), "");
}

INSTANTIATE_TEST_SUITE_P(
    Files, CsvFile,
    ::testing::Values(FileCase{"WindowsLineEnds", "h\r\na,b\r\nc\r\n", {{"h"}, {"a", "b"}, {"c"}}},
                      FileCase{"LinuxLineEnds", "h\na,b\nc\n", {{"h"}, {"a", "b"}, {"c"}}},
                      FileCase{"CarriageReturnsOnly", "h\ra,b\rc\r", {{"h"}, {"a", "b"}, {"c"}}},
                      FileCase{"MixedLineEnds", "h\ra\r\nb\nc", {{"h"}, {"a"}, {"b"}, {"c"}}},
                      FileCase{"NoFinalLineEnd", "h\na", {{"h"}, {"a"}}},
                      FileCase{"EmptyLineEndsData", "h\n\na\n", {{"h"}}},
                      FileCase{"SpacesOnlyLineEndsData", "h\r\n   \r\na\r\n", {{"h"}}},
                      FileCase{"CarriageReturnThenWindowsEnd", "h\r\r\na\r\n", {{"h"}}},
                      FileCase{"LineFeedThenCarriageReturn", "h\n\ra\n", {{"h"}}},
                      FileCase{"EmptyFile", "", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CsvTest, MissingFileReadsAsEmpty) {
    m_Reader.OpenCSV();
    EXPECT_TRUE(m_Reader.EndOfFile());
    EXPECT_FALSE(m_Reader.ReadLine());
}

TEST_F(CsvTest, LineWithoutFieldsClosesWithoutEndOfFileAndReopensFromTheTop) {
    WriteFile("h\n\"open,x\nnever\n");
    const auto rows = ReadAll();
    EXPECT_EQ(rows.size(), 1u);
    EXPECT_FALSE(m_Reader.EndOfFile());
    EXPECT_EQ(m_Reader.Row(), 1);
    EXPECT_FALSE(m_Reader.ReadLine());
    m_Reader.OpenCSV();
    ASSERT_TRUE(m_Reader.ReadLine());
    EXPECT_EQ(m_Reader.Field(0), "h");
    EXPECT_EQ(m_Reader.Row(), 2);
}

TEST_F(CsvTest, ReadErrorFailsLikeAnEmptyLine) {
    m_Reader.FileName(m_Temp.Path().string());
    m_Reader.OpenCSV();
    EXPECT_FALSE(m_Reader.ReadLine());
    EXPECT_FALSE(m_Reader.EndOfFile());
    EXPECT_EQ(m_Reader.Row(), 0);
}

TEST_F(CsvTest, CloseOrNewNameStopsReadingAndOpenRewinds) {
    WriteFile("a\nb\nc\n");
    m_Reader.OpenCSV();
    ASSERT_TRUE(m_Reader.ReadLine());
    m_Reader.OpenCSV();  // already open: no rewind
    ASSERT_TRUE(m_Reader.ReadLine());
    EXPECT_EQ(m_Reader.Field(0), "b");
    m_Reader.CloseCSV();
    EXPECT_FALSE(m_Reader.ReadLine());
    m_Reader.OpenCSV();
    ASSERT_TRUE(m_Reader.ReadLine());
    EXPECT_EQ(m_Reader.Field(0), "a");
    m_Reader.FileName(m_Reader.FileName());
    EXPECT_FALSE(m_Reader.ReadLine());
    EXPECT_FALSE(m_Reader.EndOfFile());
    EXPECT_EQ(m_Reader.Row(), 3);
}

}  // namespace
}  // namespace tarnel
