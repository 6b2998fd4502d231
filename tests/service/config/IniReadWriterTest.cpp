#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "service/config/IniReadWriter.h"
#include "tests/support/FailingFileSystem.h"
#include "tests/support/TempFolder.h"

namespace tarnel {
namespace {

namespace fs = std::filesystem;

class IniTest : public ::testing::Test {
protected:
    void WriteFile(const std::string& text) const { TempFolder::Write(m_File, text); }
    std::string ReadFile() const { return TempFolder::Read(m_File); }
    size_t FilesInFolder() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(m_Temp.Path()), {}));
    }

    TempFolder m_Temp;
    IniReadWriter m_Ini;
    fs::path m_Folder = m_Temp.Path();
    std::string m_File = m_Temp.File("TarnelSvc.ini");
};

struct ReadCase {
    const char* name;
    std::string text;
    const char* section;
    const char* key;
    std::string expected;  // with Default "dflt"
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class IniRead : public IniTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(IniRead, GivesWhatTheWindowsProfileFunctionsGive) {
    WriteFile(GetParam().text);
    EXPECT_EQ(m_Ini.GetProfile(GetParam().section, GetParam().key, "dflt", m_File),
              GetParam().expected);
}

const std::string k200(200, 'v');

INSTANTIATE_TEST_SUITE_P(
    Cases, IniRead,
    ::testing::Values(
        ReadCase{"Plain", "[Tarnel Service]\nNode=plant1\n", "Tarnel Service", "Node", "plant1"},
        ReadCase{"NamesIgnoreCase", "[TARNEL service]\nnode=x\n", "Tarnel Service", "NODE", "x"},
        ReadCase{"BlanksTrimmed", "  [ S ]  \n\t Key \t=  a b \t\n", "S", " key", "a b"},
        ReadCase{"DoubleQuotesRemoved", "[S]\nK = \"  a, b  \" \n", "S", "K", "  a, b  "},
        ReadCase{"SingleQuotesRemoved", "[S]\nK='x'\n", "S", "K", "x"},
        ReadCase{"OnlyOnePairRemoved", "[S]\nK=\"\"x\"\"\n", "S", "K", "\"x\""},
        ReadCase{"MismatchedQuotesKept", "[S]\nK=\"x'\n", "S", "K", "\"x'"},
        ReadCase{"LoneQuoteKept", "[S]\nK=\"\n", "S", "K", "\""},
        ReadCase{"InlineSemicolonKept", "[S]\nK=a ; b\n", "S", "K", "a ; b"},
        ReadCase{"EmptyValueIsNotDefault", "[S]\nK=\n", "S", "K", ""},
        ReadCase{"OneCharacter", "[S]\nK=7\n", "S", "K", "7"},
        ReadCase{"LongValueCut", "[S]\nK=" + k200 + "\n", "S", "K", k200.substr(0, 127)},
        ReadCase{"CommentIgnored", "[S]\n;K=x\n  ; K=y\n", "S", "K", "dflt"},
        ReadCase{"FirstKeyWins", "[S]\nK=1\nK=2\n", "S", "K", "1"},
        ReadCase{"FirstSectionWins", "[S]\nA=1\n[S]\nK=2\n", "S", "K", "dflt"},
        ReadCase{"OtherSectionNotSearched", "[S]\nA=1\n[T]\nK=2\n", "S", "K", "dflt"},
        ReadCase{"KeyBeforeAnySection", "K=1\n[S]\n", "S", "K", "dflt"},
        ReadCase{"LineWithoutEquals", "[S]\nK\n", "S", "K", "dflt"},
        ReadCase{"UnclosedHeaderIsNoSection", "[S\nK=1\n", "S", "K", "dflt"},
        ReadCase{"EqualsInValue", "[S]\nK=a=b\n", "S", "K", "a=b"},
        ReadCase{"WindowsLineEnds", "[S]\r\nA=1\r\nK=2\r\n", "S", "K", "2"},
        ReadCase{"CarriageReturnsOnly", "[S]\rA=1\rK=2\r", "S", "K", "2"},
        ReadCase{"NoFinalLineEnd", "[S]\nK=2", "S", "K", "2"},
        ReadCase{"ByteOrderMark", "\xEF\xBB\xBF[S]\nK=2\n", "S", "K", "2"},
        ReadCase{"EmptyFile", "", "S", "K", "dflt"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(IniTest, MissingFileOrFolderGivesTheDefaultUnchangedUpTo127Characters) {
    EXPECT_EQ(m_Ini.GetProfile("S", "K", " with blanks ", m_File), " with blanks ");
    EXPECT_EQ(m_Ini.GetProfile("S", "K", k200, m_File), k200.substr(0, 127));
    EXPECT_EQ(m_Ini.GetProfile("S", "K", "d", m_Folder.string()), "d");
    FailingFileSystem unreadable(FailingFileSystem::Call::Read, EIO);
    WriteFile("[S]\nK=1\n");
    EXPECT_EQ(m_Ini.GetProfile("S", "K", "d", m_File), "d");
}

struct WriteCase {
    const char* name;
    std::string before;
    const char* section;
    const char* key;
    const char* value;
    std::string after;
};

void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.name; }

class IniWrite : public IniTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(IniWrite, ChangesOnlyTheOneEntry) {
    WriteFile(GetParam().before);
    m_Ini.WriteProfile(GetParam().section, GetParam().key, GetParam().value, m_File);
    EXPECT_EQ(ReadFile(), GetParam().after);
    EXPECT_EQ(FilesInFolder(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniWrite,
    ::testing::Values(
        WriteCase{"EmptyFile", "", "S", "K", "v", "[S]\nK=v\n"},
        WriteCase{"ReplacesFirstMatch", "; top\n[s]\n  k = old ; c\nK=2\n", "S", "K", "new ; c",
                  "; top\n[s]\nk=new ; c\nK=2\n"},
        WriteCase{"AddsKeyAfterLastKey", "[S]\nA=1\n\n; next\n[T]\nB=2\n", "S", "K", "v",
                  "[S]\nA=1\nK=v\n\n; next\n[T]\nB=2\n"},
        WriteCase{"AddsKeyToEmptySection", "[S]\n[T]\n", "S", "K", "v", "[S]\nK=v\n[T]\n"},
        WriteCase{"AddsSectionAtEnd", "[T]\nB=2\n", "S", "K", "v", "[T]\nB=2\n\n[S]\nK=v\n"},
        WriteCase{"EndsUnterminatedLastLine", "[T]\nB=2", "T", "K", "v", "[T]\nB=2\nK=v\n"},
        WriteCase{"KeepsWindowsLineEnds", "[S]\r\nA=1\r\n", "S", "K", "v", "[S]\r\nA=1\r\nK=v\r\n"},
        WriteCase{"KeepsByteOrderMark", "\xEF\xBB\xBF[S]\nK=1\n", "S", "K", "2",
                  "\xEF\xBB\xBF[S]\nK=2\n"},
        WriteCase{"LineBreakInValueRefused", "[S]\nK=1\n", "S", "K", "2\n[X]", "[S]\nK=1\n"},
        WriteCase{"LineBreakInSectionRefused", "[S]\nK=1\n", "S\r", "K", "2", "[S]\nK=1\n"},
        WriteCase{"LineBreakInKeyRefused", "[S]\nK=1\n", "S", "K\nJ", "2", "[S]\nK=1\n"},
        WriteCase{"UnreadableKeysRefused", "[S]\nK=1\n", "S", ";K", "2", "[S]\nK=1\n"},
        WriteCase{"KeyWithEqualsRefused", "[S]\nK=1\n", "S", "K=J", "2", "[S]\nK=1\n"},
        WriteCase{"EmptyKeyRefused", "[S]\nK=1\n", "S", " ", "2", "[S]\nK=1\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(IniTest, WrittenValuesReadBack) {
    m_Ini.WriteProfile("Tarnel Service", "Visible", "1", m_File);
    m_Ini.WriteProfile("Tarnel Service", "OpcServer", "Sim.Server", m_File);
    m_Ini.WriteProfile("tarnel service", "visible", "0", m_File);
    EXPECT_EQ(m_Ini.GetProfile("Tarnel Service", "Visible", "", m_File), "0");
    EXPECT_EQ(m_Ini.GetProfile("Tarnel Service", "OpcServer", "", m_File), "Sim.Server");
}

TEST_F(IniTest, WriteThroughLinkKeepsLinkAndPermissions) {
    const std::string target = (m_Folder / "real.ini").string();
    std::ofstream(target) << "[S]\nK=1\n";
    ::chmod(target.c_str(), 0600);
    fs::create_symlink(target, m_File);
    m_Ini.WriteProfile("S", "K", "2", m_File);
    EXPECT_TRUE(fs::is_symlink(m_File));
    EXPECT_EQ(m_Ini.GetProfile("S", "K", "", target), "2");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

struct WriteFailure {
    const char* name;
    FailingFileSystem::Call call;
    int error;
};

void PrintTo(const WriteFailure& c, std::ostream* os) { *os << c.name; }

class IniWriteFailure : public IniTest, public ::testing::WithParamInterface<WriteFailure> {};

TEST_P(IniWriteFailure, LeavesTheFileAsItWasAndNoTemporaryBehind) {
    const std::string original = "; keep\n[S]\nK=1\n";
    WriteFile(original);
    {
        FailingFileSystem failing(GetParam().call, GetParam().error);
        m_Ini.WriteProfile("S", "K", "2", m_File);
        m_Ini.WriteProfile("S", "New", "3", m_File);
        EXPECT_EQ(failing.OpenDescriptors(), 0);
    }
    EXPECT_EQ(ReadFile(), original);
    EXPECT_EQ(FilesInFolder(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, IniWriteFailure,
    ::testing::Values(WriteFailure{"UnreadableOriginal", FailingFileSystem::Call::OpenForReading,
                                   EACCES},
                      WriteFailure{"ReadError", FailingFileSystem::Call::Read, EIO},
                      WriteFailure{"FolderNotWritable", FailingFileSystem::Call::Create, EACCES},
                      WriteFailure{"DiskFull", FailingFileSystem::Call::Write, ENOSPC},
                      WriteFailure{"FlushFails", FailingFileSystem::Call::Fsync, EIO},
                      WriteFailure{"RenameFails", FailingFileSystem::Call::Rename, EXDEV}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(IniTest, WriteIntoMissingFolderOrOverFolderIsSilent) {
    m_Ini.WriteProfile("S", "K", "v", (m_Folder / "none" / "x.ini").string());
    fs::create_directory(m_File);
    m_Ini.WriteProfile("S", "K", "v", m_File);
    EXPECT_TRUE(fs::is_directory(m_File));
    EXPECT_EQ(FilesInFolder(), 1u);
}

}  // namespace
}  // namespace tarnel
