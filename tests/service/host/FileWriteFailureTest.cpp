// Every file the service writes, and the registry, on a full disk and in a
// read-only folder: the service goes on, the file is told once as failing and
// once as written again (the registry's failure is handed back to the
// registering program at each try, which prints it), and nothing that was in
// it before is lost or cut.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>

#include "HostTestSupport.h"
#include "com/RegistryStore.h"
#include "service/config/IniReadWriter.h"
#include "service/host/ProgramModule.h"
#include "service/host/UnitFile.h"
#include "service/opc/SimulationJournal.h"
#include "tests/service/config/FailingFileSystem.h"

namespace tarnel {
namespace {

enum class Channel { Log, StandardError, Caller };

// One writer: the file it writes in the program folder, how it writes entry n
// (whose text holds "v<n>") and returns what it hands back to its caller to
// tell, and where its failures are told.
struct Writer {
    const char* name;
    const char* file;
    bool bAppends;
    Channel report;
    std::function<std::string(const std::string& strFolder, int n)> write;
};

struct Fault {
    const char* name;
    FailingFileSystem::Call call;
    int nErrno;
};

void PrintTo(const Writer& w, std::ostream* os) { *os << w.name; }
void PrintTo(const Fault& f, std::ostream* os) { *os << f.name; }

std::string V(int n) { return "v" + std::to_string(n); }

const Writer kWriters[] = {
    {"Log", "TarnelService.log", true, Channel::StandardError,
     [](const std::string&, int n) {
         LogMessage("entry " + V(n));
         return std::string();
     }},
    {"IniWrite", "Settings.ini", false, Channel::Log,
     [](const std::string& strFolder, int n) {
         IniReadWriter().WriteProfile("Tarnel Service", "Value", V(n), strFolder + "/Settings.ini");
         return std::string();
     }},
    // A journal of its own for each write, as each connection of the server makes.
    {"Journal", "SimulationWrites.csv", true, Channel::Log,
     [](const std::string& strFolder, int n) {
         SimulationJournal(strFolder + "/SimulationWrites.csv").Append(V(n), Variant(1.5), true);
         return std::string();
     }},
    {"UnitFile", "TarnelService.service", false, Channel::StandardError,
     [](const std::string& strFolder, int n) {
         UnitFile(strFolder, "TarnelService").Write("[Unit]\nDescription=" + V(n) + "\n");
         return std::string();
     }},
    // As regsvr has it: the component's own store writes, and regsvr's own
    // store (the process's) explains the code that comes back.
    {"Registry", "registry", false, Channel::Caller,
     [](const std::string& strFolder, int n) {
         const HRESULT hr = RegistryStore(strFolder + "/registry").Update([n](RegistryKey& root) {
             root.CreatePath("HKEY_CURRENT_USER\\Tarnel")->SetValue("", {REG_SZ, V(n)});
             return S_OK;
         });
         return RegistryStore::Process().Explain(hr);
     }},
};

const Fault kFaults[] = {
    {"FullDisk", FailingFileSystem::Call::Write, ENOSPC},
    {"WriteCutShort", FailingFileSystem::Call::ShortWrite, ENOSPC},
    {"ReadOnlyFolder", FailingFileSystem::Call::Create, EROFS},
    {"NoPermission", FailingFileSystem::Call::Create, EACCES},
};

class FileWriteFailure : public ::testing::TestWithParam<std::tuple<Writer, Fault>> {
protected:
    // Standard error goes to a file of the folder while the test runs.
    void SetUp() override {
        m_nSavedStderr = dup(STDERR_FILENO);
        const int fd = open((home.Path() + "/stderr.txt").c_str(), O_WRONLY | O_CREAT, 0644);
        dup2(fd, STDERR_FILENO);
        close(fd);
    }
    void TearDown() override {
        dup2(m_nSavedStderr, STDERR_FILENO);
        close(m_nSavedStderr);
    }
    // The lines told where the writer reports that hold strText.
    std::vector<std::string> Told(const std::string& strText) const {
        std::vector<std::string> lines = m_HandedBack;
        if (Param().report == Channel::Log) {
            lines = home.LogLines();
        } else if (Param().report == Channel::StandardError) {
            std::istringstream in(home.Read("stderr.txt"));
            for (std::string line; std::getline(in, line);) lines.push_back(line);
        }
        std::erase_if(lines,
                      [&](const std::string& s) { return s.find(strText) == std::string::npos; });
        return lines;
    }
    const Writer& Param() const { return std::get<0>(GetParam()); }
    void Write(int n) {
        std::string strHandedBack = Param().write(home.Path(), n);
        if (!strHandedBack.empty()) m_HandedBack.push_back(strHandedBack);
    }
    std::string Path() const { return home.Path() + "/" + Param().file; }

    test::TempHome home;
    int m_nSavedStderr = -1;
    std::vector<std::string> m_HandedBack;
};

TEST_P(FileWriteFailure, IsToldOnceAndLosesNothing) {
    const auto& [writer, fault] = GetParam();
    Write(0);
    const std::string strBefore = home.Read(writer.file);
    ASSERT_NE(strBefore.find(V(0)), std::string::npos);
    {
        FailingFileSystem failing(fault.call, fault.nErrno, writer.file);
        Write(1);
        Write(2);
        EXPECT_EQ(failing.OpenDescriptors(), 0);
    }
    EXPECT_EQ(home.Read(writer.file), strBefore);
    const std::string strTold = "Cannot write " + Path() + ": " + std::strerror(fault.nErrno);
    const bool bCaller = writer.report == Channel::Caller;
    EXPECT_EQ(Told("Cannot write"),
              std::vector<std::string>(bCaller ? 2 : 1, writer.report == Channel::StandardError
                                                            ? "TarnelSvc: " + strTold
                                                            : strTold));
    for (const auto& entry : std::filesystem::directory_iterator(home.Path())) {
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos)
            << entry.path() << " left behind";
    }

    Write(3);
    const std::string strAfter = home.Read(writer.file);
    EXPECT_NE(strAfter.find(V(3)), std::string::npos);
    EXPECT_EQ(strAfter.find(V(1)), std::string::npos);
    EXPECT_EQ(strAfter.find(V(2)), std::string::npos);
    if (writer.bAppends) {
        EXPECT_EQ(strAfter.substr(0, strBefore.size()), strBefore);
    }
    EXPECT_EQ(Told("is written again").size(), bCaller ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(AllWriters, FileWriteFailure,
                         ::testing::Combine(::testing::ValuesIn(kWriters),
                                            ::testing::ValuesIn(kFaults)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    std::get<1>(info.param).name;
                         });

}  // namespace
}  // namespace tarnel
