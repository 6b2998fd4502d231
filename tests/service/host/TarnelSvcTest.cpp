// End-to-end: the real TarnelSvc in a temporary program folder, against the
// simulation server.
#include <gtest/gtest.h>
#include <httplib.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <nlohmann/json.hpp>
#include <regex>
#include <thread>

#include "HostTestSupport.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/ReferenceValues.h"
#include "tests/support/TempRegistry.h"

namespace tarnel {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kScenarioHeader = "Seconds,Item,Action,Value,Quality,Low,High,Step,Seed\n";
constexpr const char* kStreamsHeader = "Name,P,T,Z,Pc,Tc,Acentric,PUnit,TUnit,Status,Description\n";

std::vector<std::string> ServiceCommand(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {TARNELSVC_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}

// TarnelSvc run by the test, its standard output in the program folder.
class Service : public ChildProcess {
public:
    Service(const std::string& strHome, const std::vector<std::string>& args,
            std::vector<std::string> environment = {})
        : ChildProcess(ServiceCommand(args),
                       {std::move(environment), ToFile(strHome + "/stdout.txt"), {}, {}}) {}
    // True while the process holds the file open (it is reading it).
    bool HasOpen(const std::string& strPath) const {
        std::error_code ec;
        for (const auto& fd :
             std::filesystem::directory_iterator("/proc/" + std::to_string(Pid()) + "/fd", ec)) {
            if (std::filesystem::read_symlink(fd.path(), ec) == strPath) return true;
        }
        return false;
    }
};

class TarnelSvcTest : public ::testing::Test {
protected:
    void Configure(const std::string& strScenario, const std::string& strStreams,
                   const std::string& strIni = "") {
        home.Write("TarnelSvc.ini",
                   "[Tarnel Service]\nStartupDelaySeconds=1\nTagDef=Streams.csv\n"
                   "OpcServer=Tarnel.Simulation\n" +
                       strIni);
        home.Write("Simulation.csv", kScenarioHeader + strScenario);
        home.Write("Streams.csv", kStreamsHeader + strStreams);
    }
    // Waits for a condition on the program folder's files; the process does
    // its work on its own clock, so the test can only look again.
    bool Eventually(const std::function<bool()>& done) {
        const auto deadline = Clock::now() + 60s;
        while (!done()) {
            if (Clock::now() > deadline) return false;
            std::this_thread::sleep_for(20ms);
        }
        return true;
    }
    bool Written(const std::string& strText) {
        return home.Read("SimulationWrites.csv").find(strText) != std::string::npos;
    }
    bool Logged(const std::string& strLine) {
        const auto lines = home.LogLines();
        return std::find(lines.begin(), lines.end(), strLine) != lines.end();
    }

    test::TempHome home;
};

TEST_F(TarnelSvcTest, ZAndStatusReachTheServer) {
    Configure("0,PT-1,value,0\n0,TT-1,value,15\n0,PT-2,value,500\n0,TT-2,value,60\n",
              std::string(kNaturalGasLine) + "G2,PT-2,TT-2,ZI-2,667,343,0.011,psig,deg F,ZS-2\n");
    Service svc(home.Path(), {"-debug"});
    EXPECT_TRUE(Eventually([&] { return Written(",ZS-2,1,OK"); }))
        << home.Read("TarnelService.log");
    EXPECT_TRUE(Written(",ZI-1,0.99748")) << home.Read("SimulationWrites.csv");
    EXPECT_TRUE(Written(",ZS-1,1,OK"));
    EXPECT_TRUE(Written(",ZI-2,0.91731")) << home.Read("SimulationWrites.csv");
    EXPECT_TRUE(Logged("Started"));
}

TEST_F(TarnelSvcTest, BadQualityGivesStatusMinus2) {
    Configure("0,PT-1,value,0,0\n0,TT-1,value,15\n", kNaturalGasLine);
    Service svc(home.Path(), {"-debug"});
    EXPECT_TRUE(Eventually([&] { return Written(",ZS-1,-2,OK"); }));
    EXPECT_FALSE(Written(",ZI-1,"));
}

TEST_F(TarnelSvcTest, TextValueDoesNotStopTheService) {
    Configure("0,PT-1,value,abc\n0,TT-1,value,15\n3,PT-1,value,0\n", kNaturalGasLine);
    Service svc(home.Path(), {"-debug"});
    EXPECT_TRUE(Eventually([&] { return Written(",ZS-1,1,OK"); }))
        << home.Read("TarnelService.log");
    EXPECT_TRUE(Logged(
        "NG: value abc of item PT-1 cannot be taken as a float; streams from here on wait for "
        "the next data change"));
    EXPECT_TRUE(svc.Running());
}

TEST_F(TarnelSvcTest, ServerShutdownRequestIsLogged) {
    Configure("0,PT-1,value,0\n0,TT-1,value,15\n1,,shutdown,Planned maintenance\n",
              kNaturalGasLine);
    Service svc(home.Path(), {"-debug"});
    EXPECT_TRUE(Eventually([&] {
        return Logged("Server Tarnel.Simulation requested disconnection, Planned maintenance");
    }));
    EXPECT_TRUE(svc.Running());
}

TEST_F(TarnelSvcTest, SigtermStopsAndTheProgramEndsTwoSecondsLater) {
    Configure("0,PT-1,value,0\n0,TT-1,value,15\n", kNaturalGasLine);
    Service svc(home.Path(), {"-debug"});
    ASSERT_TRUE(Eventually([&] { return Written(",ZS-1,1,OK"); }));
    const auto stopped = Clock::now();
    svc.Signal(SIGTERM);
    EXPECT_EQ(svc.WaitForExit(), 0);
    EXPECT_GE(Clock::now() - stopped, 1900ms);
    EXPECT_TRUE(Logged("Stopped"));
}

TEST_F(TarnelSvcTest, PauseAndControlSignalsAreLogged) {
    Configure("0,PT-1,value,0\n0,TT-1,value,15\n", kNaturalGasLine);
    Service svc(home.Path(), {"-debug"});
    ASSERT_TRUE(Eventually([&] { return Logged("Started"); }));
    svc.Signal(SIGUSR1);
    ASSERT_TRUE(Eventually([&] { return Logged("Service paused"); }));
    svc.Signal(SIGUSR2);
    ASSERT_TRUE(Eventually([&] { return Logged("Service continued"); }));
    svc.Signal(SIGRTMIN + 2);
    EXPECT_TRUE(Eventually([&] { return Logged("Received Control signal 130"); }));
}

TEST_F(TarnelSvcTest, ConfigurationWithoutStreamsEndsWithFailureStatus) {
    Configure("", "");
    Service svc(home.Path(), {"-debug"});
    EXPECT_EQ(svc.WaitForExit(), 1);
    EXPECT_TRUE(Logged("Service ends: no stream accepted from the stream-definition file " +
                       home.Path() + "/Streams.csv"));
}

TEST_F(TarnelSvcTest, UnregisteredComponentEndsWithHowToRegisterIt) {
    Configure("0,PT-1,value,0\n0,TT-1,value,15\n", kNaturalGasLine);
    const std::string strRegistry = home.Path() + "/other-registry";
    setenv("TARNEL_REGISTRY", strRegistry.c_str(), 1);
    Service svc(home.Path(), {"-debug"});
    EXPECT_EQ(svc.WaitForExit(), 1);
    const std::string strLog = home.Read("TarnelService.log");
    EXPECT_NE(strLog.find("Service ends: cannot create Gas"), std::string::npos) << strLog;
    EXPECT_NE(strLog.find("not registered in " + strRegistry), std::string::npos) << strLog;
    EXPECT_NE(strLog.find("regsvr libPellonar.so"), std::string::npos) << strLog;
    EXPECT_FALSE(Written("ZI-1"));
}

TEST_F(TarnelSvcTest, DeeplyNestedRegistryEndsWithItsFileAndLine) {
    Configure("0,PT-1,value,0\n0,TT-1,value,15\n", kNaturalGasLine);
    const std::string strRegistry = home.Path() + "/nested-registry";
    home.Write("nested-registry", NestedRegistryText(200000));
    setenv("TARNEL_REGISTRY", strRegistry.c_str(), 1);
    Service svc(home.Path(), {"-debug"});
    EXPECT_EQ(svc.WaitForExit(), 1);
    const std::string strLog = home.Read("TarnelService.log");
    EXPECT_NE(strLog.find("Service ends: cannot create Gas (class Pellonar.Gas"), std::string::npos)
        << strLog;
    EXPECT_NE(strLog.find(strRegistry + ":2: a key nested deeper than 512 levels"),
              std::string::npos)
        << strLog.substr(0, 2000);
}

TEST_F(TarnelSvcTest, CommandLineMessagesGoToStandardOutput) {
    setenv("TARNEL_UNIT_DIR", home.Path().c_str(), 1);
    const std::tuple<std::vector<std::string>, const char*, int> cases[] = {
        {{"-install"}, "Tarnel Service installed successfully\n", 0},
        {{"-uninstall"}, "Tarnel Service uninstalled successfully\n", 0},
        {{"-uninstall"}, "Tarnel Service failed to uninstall\n", 1},
        {{"-install", "now"}, "Invalid command option\n", 1},
        {{"-Debug"}, "Invalid command option\n", 1}};
    for (const auto& [args, message, status] : cases) {
        Service svc(home.Path(), args);
        EXPECT_EQ(svc.WaitForExit(), status) << args[0];
        EXPECT_EQ(home.Read("stdout.txt"), message) << args[0];
    }
    unsetenv("TARNEL_UNIT_DIR");
    EXPECT_FALSE(std::filesystem::exists(home.Path() + "/TarnelService.log"));
}

TEST_F(TarnelSvcTest, ServiceModeReportsReadinessToSystemd) {
    Configure("0,PT-1,value,0\n0,TT-1,value,15\n", kNaturalGasLine);
    const std::string strSocket = home.Path() + "/notify";
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    strSocket.copy(addr.sun_path, sizeof addr.sun_path - 1);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    Service svc(home.Path(), {}, {"NOTIFY_SOCKET=" + strSocket});
    pollfd pfd{fd, POLLIN, 0};
    ASSERT_EQ(poll(&pfd, 1, 60000), 1);
    char buffer[256] = {};
    const ssize_t n = recv(fd, buffer, sizeof buffer - 1, 0);
    EXPECT_EQ(std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0),
              "READY=1\nSTATUS=Running");
    close(fd);
}

TEST_F(TarnelSvcTest, StatusPageServesTheWindowAndClosesItOnlyOnceTheBoxIsTicked) {
    Configure("0,PT-1,value,0\n0,TT-1,value,15\n", kNaturalGasLine, "Visible=yes\nStatusPort=0\n");
    Service svc(home.Path(), {"-debug"});
    int nPort = 0;
    ASSERT_TRUE(Eventually([&] {
        const std::string log = home.Read("TarnelService.log");
        std::smatch port;
        if (!std::regex_search(log, port, std::regex("Status page at http://127.0.0.1:(\\d+)/"))) {
            return false;
        }
        nPort = std::stoi(port[1]);
        return true;
    }));
    httplib::Client client("127.0.0.1", nPort);
    ASSERT_TRUE(Eventually([&] {
        const auto res = client.Get("/api/window");
        if (!res || res->status != 200) return false;
        const auto w = nlohmann::json::parse(res->body);
        return w["controls"]["txtZStatus"]["text"] == "OK";
    }));
    const auto window = nlohmann::json::parse(client.Get("/api/window")->body);
    EXPECT_EQ(window["controls"]["listCalcs"]["items"], nlohmann::json::array({"NG"}));
    EXPECT_EQ(window["controls"]["txtZ"]["text"], "0.9975");
    const auto page = client.Get("/");
    std::smatch token;
    ASSERT_TRUE(std::regex_search(page->body, token, std::regex("content=\"([0-9a-f]{32})\"")));
    ASSERT_EQ(
        client.Post("/api/close", {{"X-Tarnel-Token", token[1]}}, "", "application/json")->status,
        202);
    EXPECT_TRUE(Eventually([&] {
        const auto w = nlohmann::json::parse(client.Get("/api/window")->body);
        return w["controls"]["txtStatus"]["foreColor"] == "#FF0000";
    }));
    EXPECT_TRUE(svc.Running());
    const httplib::Headers headers = {{"X-Tarnel-Token", token[1]}};
    ASSERT_EQ(
        client.Post("/api/canclose", headers, R"({"checked": true})", "application/json")->status,
        202);
    ASSERT_EQ(client.Post("/api/close", headers, "", "application/json")->status, 202);
    EXPECT_EQ(svc.WaitForExit(), 0);
    EXPECT_TRUE(Logged("Window closed from the status page (127.0.0.1); service stopping"));
}

TEST_F(TarnelSvcTest, StatusPortInUseIsLoggedAndTheServiceGoesOn) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(listen(fd, 1), 0);
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    const std::string strPort = std::to_string(ntohs(addr.sin_port));
    Configure("0,PT-1,value,0\n0,TT-1,value,15\n", kNaturalGasLine,
              "Visible=yes\nStatusPort=" + strPort + "\n");
    Service svc(home.Path(), {"-debug"});
    EXPECT_TRUE(Eventually([&] { return Written(",ZS-1,1,OK"); }));
    EXPECT_TRUE(
        Logged("Status page not started on 127.0.0.1:" + strPort + ": Address already in use"));
    close(fd);
}

// A large configuration: a stop signal is honoured while it is still being
// read, and while every data change writes back hundreds of thousands of items.
struct LargeCase {
    const char* name;
    std::function<void(std::string& strStreams, std::string& strScenario)> make;
    // Sends the signal once this holds: the work it is to break into is under way.
    std::function<bool(Service&, const test::TempHome&)> busy;
    // Logged when the loading was broken off; empty for the write flood.
    std::function<std::string(const test::TempHome&)> brokenOff;
};

void PrintTo(const LargeCase& c, std::ostream* os) { *os << c.name; }

constexpr int kLargeStreams = 100000;

std::string StreamLine(int i, const std::string& strP, const std::string& strT) {
    const std::string n = std::to_string(i);
    return "S-" + n + "," + strP + "," + strT + ",ZI-" + n + ",45.99,190.56,0.011,bar,deg C,ZS-" +
           n + "\n";
}

const LargeCase kLargeCases[] = {
    {"StreamLoading",
     [](std::string& strStreams, std::string&) {
         for (int i = 0; i < kLargeStreams; ++i) {
             strStreams += StreamLine(i, "PT-" + std::to_string(i), "TT-" + std::to_string(i));
         }
     },
     [](Service& svc, const test::TempHome& home) {
         return svc.HasOpen(home.Path() + "/Streams.csv");
     },
     [](const test::TempHome& home) {
         return "Loading of " + home.Path() + "/Streams.csv broken off at line ";
     }},
    {"ScenarioLoading",
     [](std::string& strStreams, std::string& strScenario) {
         strStreams = kNaturalGasLine;
         for (int i = 0; i < 1000000; ++i) {
             strScenario += std::to_string(i / 1000) + ",X-" + std::to_string(i % 1000) +
                            ",value," + std::to_string(i) + "\n";
         }
     },
     [](Service& svc, const test::TempHome& home) {
         return svc.HasOpen(home.Path() + "/Simulation.csv");
     },
     [](const test::TempHome& home) {
         return "Simulation: scenario file " + home.Path() + "/Simulation.csv broken off at line ";
     }},
    // Every stream follows the same two wandering inputs, so every change
    // recalculates all of them and writes two items for each.
    {"WriteFlood",
     [](std::string& strStreams, std::string& strScenario) {
         for (int i = 0; i < kLargeStreams; ++i) strStreams += StreamLine(i, "PT-1", "TT-1");
         strScenario = "0,PT-1,wander,20,,10,30,1,7\n0,TT-1,wander,15,,5,25,1,8\n";
     },
     [](Service&, const test::TempHome& home) {
         std::error_code ec;
         return std::filesystem::file_size(home.Path() + "/SimulationWrites.csv", ec) > 1000000 &&
                !ec;
     },
     nullptr},
};

class LargeConfigurationStop : public TarnelSvcTest,
                               public ::testing::WithParamInterface<LargeCase> {};

TEST_P(LargeConfigurationStop, SigtermEndsTheProgramAfterStopped) {
    std::string strStreams, strScenario;
    GetParam().make(strStreams, strScenario);
    Configure(strScenario, strStreams);
    Service svc(home.Path(), {"-debug"});
    // Polled often: a loading takes a fraction of a second in the optimised build.
    const auto deadline = Clock::now() + 120s;
    while (!GetParam().busy(svc, home) && Clock::now() < deadline && svc.Running()) {
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_TRUE(GetParam().busy(svc, home)) << home.Read("TarnelService.log");
    svc.Signal(SIGTERM);
    // The stop takes two seconds by design; the rest is room for a loaded machine.
    EXPECT_EQ(svc.WaitForExit(30s), 0);
    const auto lines = home.LogLines();
    EXPECT_TRUE(Logged("Stopped")) << home.Read("TarnelService.log");
    if (GetParam().brokenOff) {
        const std::string strBrokenOff = GetParam().brokenOff(home);
        EXPECT_TRUE(
            std::any_of(lines.begin(), lines.end(),
                        [&](const std::string& line) { return line.rfind(strBrokenOff, 0) == 0; }))
            << "not broken off while loading: " << home.Read("TarnelService.log");
    }
}

INSTANTIATE_TEST_SUITE_P(Stops, LargeConfigurationStop, ::testing::ValuesIn(kLargeCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarnel
