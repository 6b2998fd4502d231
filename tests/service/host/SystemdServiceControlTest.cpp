#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <csignal>
#include <regex>

#include "HostTestSupport.h"
#include "service/host/SystemdServiceControl.h"
#include "tests/support/ChildProcess.h"

namespace tarnel {
namespace {

// Records the events and stops the loop after each, so a test runs the loop
// until exactly the event it waits for has arrived.
class RecordingEvents : public IServiceEvents {
public:
    explicit RecordingEvents(asio::io_context& loop) : m_Loop(loop) {}
    void NTService1_Start(bool& Success) override { Record("start", Success); }
    void NTService1_Stop() override { Record("stop"); }
    void NTService1_Pause(bool& Success) override { Record("pause", Success); }
    void NTService1_Continue(bool& Success) override { Record("continue", Success); }
    void NTService1_Control(std::int32_t lEvent) override {
        Record("control " + std::to_string(lEvent));
    }

    std::vector<std::string> events;
    bool bReportSuccess = true;

private:
    void Record(const std::string& strEvent, bool& Success) {
        Success = bReportSuccess;
        Record(strEvent);
    }
    void Record(const std::string& strEvent) {
        events.push_back(strEvent);
        m_Loop.stop();
    }
    asio::io_context& m_Loop;
};

// A datagram socket standing in for systemd's notification socket.
class NotifySocket {
public:
    explicit NotifySocket(const std::string& strFolder) : m_strPath(strFolder + "/notify") {
        m_nFd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        m_strPath.copy(addr.sun_path, sizeof addr.sun_path - 1);
        EXPECT_EQ(bind(m_nFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        setenv("NOTIFY_SOCKET", m_strPath.c_str(), 1);
    }
    ~NotifySocket() {
        unsetenv("NOTIFY_SOCKET");
        close(m_nFd);
    }
    // The next message, or empty when none is waiting.
    std::string Next() {
        char buffer[512];
        const ssize_t n = recv(m_nFd, buffer, sizeof buffer, MSG_DONTWAIT);
        return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : "";
    }

private:
    std::string m_strPath;
    int m_nFd = -1;
};

class ServiceControlTest : public ::testing::Test {
protected:
    ServiceControlTest() : control(loop, "Tarnel Service", UnitFile(home.Path(), "TarnelService")) {
        control.Events(&events);
    }
    // Runs the loop until the next event has been handled.
    void RunUntilEvent() {
        loop.restart();
        loop.run_for(std::chrono::seconds(30));
    }
    void Start() {
        control.StartService();
        RunUntilEvent();
    }

    test::TempHome home;
    asio::io_context loop;
    RecordingEvents events{loop};
    SystemdServiceControl control;
};

TEST_F(ServiceControlTest, SignalsBecomeServiceEvents) {
    control.ControlsAccepted(SystemdServiceControl::kAcceptPauseContinue);
    Start();
    const std::pair<int, const char*> cases[] = {
        {SIGUSR1, "pause"},        {SIGUSR2, "continue"},
        {SIGRTMIN, "control 128"}, {SIGRTMIN + 3, "control 131"},
        {SIGINT, "stop"},          {SIGTERM, "stop"}};
    for (const auto& [nSignal, strEvent] : cases) {
        raise(nSignal);
        RunUntilEvent();
        EXPECT_EQ(events.events.back(), strEvent) << nSignal;
    }
    EXPECT_EQ(events.events.size(), 7u);
}

TEST_F(ServiceControlTest, PauseAndContinueNeedToBeAccepted) {
    Start();
    raise(SIGUSR1);
    raise(SIGUSR2);
    raise(SIGRTMIN + 1);
    RunUntilEvent();
    EXPECT_EQ(events.events, (std::vector<std::string>{"start", "control 129"}));
}

TEST_F(ServiceControlTest, ReadinessAndStateGoToTheNotifySocket) {
    NotifySocket notify(home.Path());
    control.ControlsAccepted(SystemdServiceControl::kAcceptPauseContinue);
    Start();
    EXPECT_EQ(notify.Next(), "READY=1\nSTATUS=Running");
    raise(SIGUSR1);
    RunUntilEvent();
    EXPECT_EQ(notify.Next(), "STATUS=Paused");
    raise(SIGTERM);
    RunUntilEvent();
    EXPECT_EQ(notify.Next(), "STOPPING=1\nSTATUS=Stopping");
    EXPECT_EQ(notify.Next(), "");
}

TEST_F(ServiceControlTest, NoReadinessWithoutSuccessOrInDebugMode) {
    NotifySocket notify(home.Path());
    events.bReportSuccess = false;
    Start();
    EXPECT_EQ(notify.Next(), "");

    SystemdServiceControl debug(loop, "Tarnel Service", UnitFile(home.Path(), "TarnelService"));
    debug.Events(&events);
    debug.Debug(true);
    events.bReportSuccess = true;
    debug.StartService();
    RunUntilEvent();
    EXPECT_EQ(events.events.size(), 2u);
    EXPECT_EQ(notify.Next(), "");
}

TEST_F(ServiceControlTest, InstallWritesTheUnitAndUninstallRemovesIt) {
    const std::string strUnit = home.Path() + "/TarnelService.service";
    ASSERT_TRUE(control.Install());
    const std::string text = home.Read("TarnelService.service");
    const std::string strExecutable = std::filesystem::read_symlink("/proc/self/exe").string();
    EXPECT_EQ(text, UnitFile::Text("Tarnel Service", strExecutable));
    EXPECT_TRUE(control.Uninstall());
    EXPECT_FALSE(std::filesystem::exists(strUnit));
    EXPECT_FALSE(control.Uninstall());
}

TEST_F(ServiceControlTest, InstallIntoAMissingFolderFails) {
    SystemdServiceControl nowhere(loop, "Tarnel Service",
                                  UnitFile(home.Path() + "/missing", "TarnelService"));
    EXPECT_FALSE(nowhere.Install());
    EXPECT_FALSE(std::filesystem::exists(home.Path() + "/missing"));
}

TEST(UnitFileTest, PathsAreQuotedForSystemd) {
    const std::string text =
        UnitFile::Text("Tarnel Service", "/opt/my \"tarnel\"/100%/$HOME/TarnelSvc");
    EXPECT_NE(text.find("\nExecStart=\"/opt/my \\\"tarnel\\\"/100%%/$$HOME/TarnelSvc\"\n"),
              std::string::npos);
    EXPECT_NE(text.find("\nDescription=Tarnel Service\n"), std::string::npos);
    EXPECT_EQ(text.find("@EXEC_START@"), std::string::npos);
}

// The unit systemd accepts, keeping the watchdog and restart settings, and
// rated at most 2.0 by systemd's own exposure analysis.
TEST(UnitFileTest, TheUnitIsValidAndHardened) {
    test::TempHome home;
    const std::string strExecutable = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string text = UnitFile::Text("Tarnel Service", strExecutable);
    for (const char* setting : {"\nType=notify\n", "\nWatchdogSec=60\n", "\nRestart=on-failure\n",
                                "\nUser=tarnel\n", "\nStateDirectory=tarnel\n"}) {
        EXPECT_NE(text.find(setting), std::string::npos) << setting;
    }
    ASSERT_TRUE(UnitFile(home.Path(), "TarnelService").Write(text));
    const std::string strUnit = home.Path() + "/TarnelService.service";
    const auto verify = ChildProcess::Run({"systemd-analyze", "verify", "--man=no", strUnit},
                                          std::chrono::seconds(60));
    EXPECT_EQ(verify.status, 0) << verify.output;
    const auto security =
        ChildProcess::Run({"systemd-analyze", "security", "--offline=true", "--no-pager", strUnit},
                          std::chrono::seconds(60));
    std::smatch level;
    ASSERT_TRUE(std::regex_search(security.output, level,
                                  std::regex("Overall exposure level for TarnelService.service: "
                                             "([0-9.]+)")))
        << security.output;
    EXPECT_LE(std::stod(level[1]), 2.0) << security.output;
}

TEST(UnitFileTest, FolderComesFromTheEnvironment) {
    setenv("TARNEL_UNIT_DIR", "/tmp/units", 1);
    EXPECT_EQ(UnitFile::DefaultFolder(), "/tmp/units");
    unsetenv("TARNEL_UNIT_DIR");
    EXPECT_EQ(UnitFile::DefaultFolder(), "/etc/systemd/system");
    EXPECT_EQ(UnitFile("/etc/systemd/system", "TarnelService").Path(),
              "/etc/systemd/system/TarnelService.service");
}

}  // namespace
}  // namespace tarnel
