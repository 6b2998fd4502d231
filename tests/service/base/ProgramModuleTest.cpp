#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <vector>

#include "service/base/ProgramModule.h"
#include "tests/support/FailingFileSystem.h"
#include "tests/support/TempFolder.h"

namespace tarnel {
namespace {

namespace fs = std::filesystem;

// Points TARNEL_HOME at a fresh folder for the test and restores it afterwards.
class ProgramFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* old = std::getenv("TARNEL_HOME")) m_OldHome = old;
        setenv("TARNEL_HOME", m_Folder.c_str(), 1);
    }
    void TearDown() override {
        if (m_OldHome.empty()) {
            unsetenv("TARNEL_HOME");
        } else {
            setenv("TARNEL_HOME", m_OldHome.c_str(), 1);
        }
    }
    std::string LogText() const { return TempFolder::Read(m_Temp.File("TarnelService.log")); }
    std::vector<std::string> LogLines() const {
        std::istringstream in(LogText());
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    TempFolder m_Temp;
    fs::path m_Folder = m_Temp.Path();
    std::string m_OldHome;
};

using LogMessageTest = ProgramFolderTest;

TEST_F(ProgramFolderTest, HomeVariableWinsWithoutTrailingSlash) {
    EXPECT_EQ(ProgramFolder(), m_Folder.string());
    setenv("TARNEL_HOME", (m_Folder.string() + "//").c_str(), 1);
    EXPECT_EQ(ProgramFolder(), m_Folder.string());
}

TEST_F(ProgramFolderTest, ExecutableFolderWithoutHomeVariable) {
    unsetenv("TARNEL_HOME");
    EXPECT_EQ(ProgramFolder(), fs::read_symlink("/proc/self/exe").parent_path().string());
    setenv("TARNEL_HOME", "", 1);
    EXPECT_EQ(ProgramFolder(), fs::read_symlink("/proc/self/exe").parent_path().string());
}

// The folders systemd hands a service win over the program folder; each falls
// back to it on its own, and only the first of several folders counts.
TEST_F(ProgramFolderTest, SystemdDirectoriesNameTheirOwnFolders) {
    struct Case {
        const char* strVariable;
        std::string (*Folder)();
    };
    for (const Case& c :
         {Case{"CONFIGURATION_DIRECTORY", &ConfigurationFolder},
          Case{"STATE_DIRECTORY", &StateFolder}, Case{"LOGS_DIRECTORY", &LogFolder}}) {
        SCOPED_TRACE(c.strVariable);
        for (const auto& [strValue, strFolder] : std::vector<std::pair<std::string, std::string>>{
                 {"/etc/tarnel", "/etc/tarnel"},
                 {"/var/lib/a/:/var/lib/b", "/var/lib/a"},
                 {"", m_Folder.string()},
                 {":/x", m_Folder.string()}}) {
            setenv(c.strVariable, strValue.c_str(), 1);
            EXPECT_EQ(c.Folder(), strFolder) << strValue;
        }
        unsetenv(c.strVariable);
        EXPECT_EQ(c.Folder(), m_Folder.string());
    }
}

TEST_F(LogMessageTest, TheLogGoesToTheLogsDirectory) {
    TempFolder logs;
    setenv("LOGS_DIRECTORY", logs.Path().c_str(), 1);
    LogMessage("Started");
    unsetenv("LOGS_DIRECTORY");
    EXPECT_NE(TempFolder::Read(logs.File("TarnelService.log")).find("  Started\n"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(m_Temp.File("TarnelService.log")));
}

// Parses "dd-Mmm-yyyy hh:nn:ss" as local time.
std::time_t ParseStamp(const std::string& stamp) {
    static const std::string months = "JanFebMarAprMayJunJulAugSepOctNovDec";
    std::tm t{};
    t.tm_mday = std::stoi(stamp.substr(0, 2));
    t.tm_mon = static_cast<int>(months.find(stamp.substr(3, 3)) / 3);
    t.tm_year = std::stoi(stamp.substr(7, 4)) - 1900;
    t.tm_hour = std::stoi(stamp.substr(12, 2));
    t.tm_min = std::stoi(stamp.substr(15, 2));
    t.tm_sec = std::stoi(stamp.substr(18, 2));
    t.tm_isdst = -1;
    return std::mktime(&t);
}

TEST_F(LogMessageTest, StampsLocalTimeWithEnglishMonthAndTwoBlanks) {
    const std::time_t before = std::time(nullptr);
    LogMessage("Started");
    const std::time_t after = std::time(nullptr);
    const auto lines = LogLines();
    ASSERT_EQ(lines.size(), 1u);
    static const std::regex format(
        R"(\d\d-(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec)-\d{4} \d\d:\d\d:\d\d  Started)");
    ASSERT_TRUE(std::regex_match(lines[0], format)) << lines[0];
    const std::time_t stamped = ParseStamp(lines[0]);
    EXPECT_LE(before, stamped);
    EXPECT_LE(stamped, after);
}

TEST_F(LogMessageTest, EmptyMessageStillWritesStampAndBlanks) {
    LogMessage("");
    const std::string text = LogText();
    ASSERT_EQ(text.size(), 23u);
    EXPECT_EQ(text.substr(20), "  \n");
}

TEST_F(LogMessageTest, AppendsInOrderAndRecreatesDeletedLog) {
    LogMessage("one");
    LogMessage("two");
    ASSERT_EQ(LogLines().size(), 2u);
    EXPECT_EQ(LogLines()[1].substr(22), "two");
    fs::remove(m_Temp.File("TarnelService.log"));
    LogMessage("three");
    const auto lines = LogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(22), "three");
}

struct LineBreakCase {
    const char* name;
    const char* message;
    const char* written;
};

void PrintTo(const LineBreakCase& c, std::ostream* os) { *os << c.name; }

class LogLineBreaks : public LogMessageTest, public ::testing::WithParamInterface<LineBreakCase> {};

TEST_P(LogLineBreaks, AreWrittenAsEscapesSoOneMessageIsOneLine) {
    LogMessage(GetParam().message);
    const std::string text = LogText();
    ASSERT_GE(text.size(), 22u);
    EXPECT_EQ(text.substr(22), std::string(GetParam().written) + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Messages, LogLineBreaks,
    ::testing::Values(LineBreakCase{"LineFeed", "a\nb", "a\\nb"},
                      LineBreakCase{"CarriageReturnLineFeed", "a\r\nb", "a\\r\\nb"},
                      LineBreakCase{"TrailingCarriageReturn", "shutdown\r", "shutdown\\r"},
                      LineBreakCase{"ForgedEntry", "x\n01-Jan-2026 00:00:00  Forged",
                                    "x\\n01-Jan-2026 00:00:00  Forged"},
                      LineBreakCase{"BackslashesUntouched", "C:\\path\\new", "C:\\path\\new"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LogMessageTest, UnwritableFolderLosesTheLineQuietly) {
    setenv("TARNEL_HOME", (m_Folder / "missing").c_str(), 1);
    LogMessage("lost");
    EXPECT_FALSE(fs::exists(m_Folder / "missing"));
    std::ofstream(m_Folder / "plainfile") << "x";
    setenv("TARNEL_HOME", (m_Folder / "plainfile").c_str(), 1);
    LogMessage("lost");
    EXPECT_EQ(fs::file_size(m_Folder / "plainfile"), 1u);
}

struct Failure {
    FailingFileSystem::Call call;
    int error;
};

TEST_F(LogMessageTest, RefusedOpenOrFullDiskLosesTheLineAndKeepsGoing) {
    for (const Failure f : {Failure{FailingFileSystem::Call::Create, EACCES},
                            Failure{FailingFileSystem::Call::Create, EROFS},
                            Failure{FailingFileSystem::Call::Write, ENOSPC}}) {
        FailingFileSystem failing(f.call, f.error);
        LogMessage("lost");
        EXPECT_EQ(failing.OpenDescriptors(), 0);
    }
    LogMessage("after");
    const auto lines = LogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(22), "after");
}

// Two real processes append long entries at once; every line must come out whole.
TEST_F(LogMessageTest, TwoProcessesNeverInterleaveWithinALine) {
    constexpr int kEntries = 400;
    const std::string padding(3000, 'x');
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    std::vector<pid_t> children;
    for (const char id : {'A', 'B'}) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            close(go[1]);
            char c;
            (void)!read(go[0], &c, 1);  // wait until both children exist
            for (int i = 0; i < kEntries; ++i) {
                LogMessage(std::string(1, id) + std::to_string(i) + padding);
            }
            _exit(0);
        }
        children.push_back(pid);
    }
    close(go[0]);
    close(go[1]);
    for (const pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::set<std::string> seen;
    for (const std::string& line : LogLines()) {
        const std::string message = line.substr(22);
        ASSERT_EQ(message.size() - message.find('x'), padding.size()) << message.substr(0, 20);
        seen.insert(message.substr(0, message.find('x')));
    }
    EXPECT_EQ(LogLines().size(), 2u * kEntries);
    EXPECT_EQ(seen.size(), 2u * kEntries);
}

TEST_F(ProgramFolderTest, FileExistsOnlyForReadableFiles) {
    std::ofstream(m_Folder / "TarnelSvc.ini") << "[Tarnel Service]\n";
    std::ofstream(m_Folder / "empty.ini");
    fs::create_directory(m_Folder / "folder.ini");
    const struct {
        fs::path path;
        bool exists;
    } cases[] = {
        {m_Folder / "TarnelSvc.ini", true},
        {m_Folder / "empty.ini", true},
        {m_Folder / "folder.ini", false},
        {m_Folder / "missing.ini", false},
        {m_Folder / "nofolder" / "x.ini", false},
        {m_Folder / "TarnelSvc.ini" / "x", false},
        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(FileExists(c.path.string()), c.exists) << c.path;
}

}  // namespace
}  // namespace tarnel
