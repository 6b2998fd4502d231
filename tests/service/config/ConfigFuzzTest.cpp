// Random and hostile input for both configuration readers: NUL bytes, invalid
// UTF-8, stray quotes and brackets, every kind of line end, a 1 MB line. The
// readers must give defined results and never lose the rest of an INI file.
#include <gtest/gtest.h>

#include <random>

#include "service/config/CsvReader.h"
#include "service/config/IniReadWriter.h"
#include "tests/support/TempFolder.h"

namespace tarnel {
namespace {

constexpr unsigned kSeed = 20261207;
constexpr int kRounds = 300;

class ConfigFuzz : public ::testing::Test {
protected:
    void WriteFile(const std::string& text) const { TempFolder::Write(m_File, text); }

    // Half tokens that mean something to one of the readers, so that the random
    // text forms sections, keys, quotes and fields; half arbitrary bytes.
    std::string RandomText(size_t nLength) {
        static const std::string tokens[] = {"[S]",
                                             "[ s ]",
                                             "[b]",
                                             "K=",
                                             " k = ",
                                             "a=",
                                             "=",
                                             "\r\n",
                                             "\n",
                                             "\r",
                                             ";",
                                             "\"",
                                             "'",
                                             ",",
                                             " ",
                                             "\t",
                                             std::string(1, '\0'),
                                             "\xC3",
                                             "\xFF\xFE",
                                             "["};
        std::uniform_int_distribution<int> coin(0, 1);
        std::uniform_int_distribution<size_t> pick(0, std::size(tokens) - 1);
        std::uniform_int_distribution<int> byte(0, 255);
        std::string text;
        while (text.size() < nLength) {
            if (coin(m_Random)) {
                text += tokens[pick(m_Random)];
            } else {
                text += static_cast<char>(byte(m_Random));
            }
        }
        return text;
    }

    std::vector<std::string> Texts() {
        std::vector<std::string> texts = {
            "h\n" + std::string(1 << 20, 'x') + ",y\n",
            "[S]\nK=" + std::string(1 << 20, 'v') + "\n",
            "h\n\"unterminated, quote\r\nnext,line\n",
            std::string("\0\0,\0\n\0[S]\0\nK=\0\n", 16),
            "\xC3\x28,\xA0\xA1,\xF0\x28\x8C\xBC\r[\xFE]\r\xFF=\xC0\r",
        };
        std::uniform_int_distribution<size_t> length(0, 4000);
        for (int i = 0; i < kRounds; ++i) texts.push_back(RandomText(length(m_Random)));
        return texts;
    }

    std::mt19937 m_Random{kSeed};
    TempFolder m_Temp;
    std::string m_File = m_Temp.File("fuzz.txt");
};

TEST_F(ConfigFuzz, CsvReaderStopsWithBoundedFieldsOnAnyInput) {
    std::uniform_int_distribution<int32_t> maxCols(1, 12);
    for (const std::string& text : Texts()) {
        WriteFile(text);
        CsvReader reader;
        reader.FileName(m_File);
        reader.UseQuotes(text.size() % 2 == 0);
        reader.MaxCols(maxCols(m_Random));
        reader.OpenCSV();
        // Every true ReadLine consumes at least one byte.
        int32_t rows = 0;
        while (reader.ReadLine()) {
            ASSERT_LE(++rows, static_cast<int32_t>(text.size()));
            ASSERT_GE(reader.FieldCount(), 1);
            ASSERT_LE(reader.FieldCount(), reader.MaxCols());
        }
        EXPECT_EQ(reader.Row(), rows);
        EXPECT_EQ(reader.FieldCount(), 0);
        EXPECT_FALSE(reader.ReadLine());
    }
}

TEST_F(ConfigFuzz, IniReadsStayBoundedAndWritesLoseNothing) {
    const IniReadWriter ini;
    const std::pair<const char*, const char*> probes[] = {{"S", "K"}, {"S", "a"}, {"b", "K"},
                                                          {"", ""},   {"S", ""},  {"'", "b"}};
    int found = 0;
    for (const std::string& text : Texts()) {
        WriteFile(text);
        std::vector<std::string> before;
        for (const auto& [section, key] : probes) {
            before.push_back(ini.GetProfile(section, key, "<none>", m_File));
            ASSERT_LE(before.back().size(), 127u);
        }
        ini.WriteProfile("Fuzz Section", "FuzzKey", "written", m_File);
        ini.WriteProfile("S", "Added", "also", m_File);
        EXPECT_EQ(ini.GetProfile("Fuzz Section", "FuzzKey", "", m_File), "written");
        EXPECT_EQ(ini.GetProfile("S", "Added", "", m_File), "also");
        for (size_t i = 0; i < std::size(probes); ++i) {
            if (before[i] != "<none>") ++found;
            EXPECT_EQ(ini.GetProfile(probes[i].first, probes[i].second, "<none>", m_File),
                      before[i]);
        }
    }
    EXPECT_GT(found, kRounds / 10);  // the random files do hold keys that are found
}

}  // namespace
}  // namespace tarnel
