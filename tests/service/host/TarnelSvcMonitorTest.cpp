// End-to-end: the monitoring listener of the real TarnelSvc, read by a real
// Prometheus parser, a real notify socket, a real broker and 200 clients.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <thread>

#include "HostTestSupport.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/WatchedFile.h"
#ifdef TARNEL_PROVIDER_MQTT
#include "tests/support/MosquittoBroker.h"
#include "tests/support/MqttPublish.h"
#endif

namespace tarnel {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kStreamsHeader = "Name,P,T,Z,Pc,Tc,Acentric,PUnit,TUnit,Status,Description\n";
constexpr const char* kScenarioHeader = "Seconds,Item,Action,Value,Quality,Low,High,Step,Seed\n";

class TarnelSvcMonitorTest : public ::testing::Test {
protected:
    void Configure(const std::string& strStreams, const std::string& strScenario,
                   const std::string& strIni = "OpcServer=Tarnel.Simulation\n") {
        home.Write("TarnelSvc.ini",
                   "[Tarnel Service]\nStartupDelaySeconds=1\nTagDef=Streams.csv\nMonitorPort=0\n" +
                       strIni);
        home.Write("Streams.csv", kStreamsHeader + strStreams);
        home.Write("Simulation.csv", kScenarioHeader + strScenario);
    }
    void Start(const std::vector<std::string>& args = {"-debug"},
               std::vector<std::string> environment = {}) {
        std::vector<std::string> argv = {TARNELSVC_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        service = std::make_unique<ChildProcess>(
            argv,
            ChildProcess::Options{
                std::move(environment), ChildProcess::ToFile(home.Path() + "/stdout.txt"), {}, {}});
        const auto line = log.WaitForLine("Monitoring at http://127.0.0.1:", 60s, service->PidFd());
        ASSERT_TRUE(line) << log.Text();
        std::smatch port;
        ASSERT_TRUE(std::regex_search(*line, port, std::regex(":(\\d+)/$")));
        nPort = std::stoi(port[1]);
        client = std::make_unique<httplib::Client>("127.0.0.1", nPort);
    }
    // The answer's status and body; -1 without one.
    std::pair<int, std::string> Get(const std::string& strPath) {
        const auto res = client->Get(strPath.c_str());
        return res ? std::pair{res->status, res->body} : std::pair{-1, std::string()};
    }
    bool Eventually(const std::function<bool()>& done, std::chrono::seconds limit = 60s) {
        const auto deadline = Clock::now() + limit;
        while (!done()) {
            if (Clock::now() > deadline) return false;
            std::this_thread::sleep_for(50ms);
        }
        return true;
    }
    bool AllValid() {
        const auto [nStatus, body] = Get("/api/streams");
        if (nStatus != 200) return false;
        const auto streams = nlohmann::json::parse(body)["streams"];
        return !streams.empty() && std::all_of(streams.begin(), streams.end(),
                                               [](const auto& s) { return s["status"] == 1; });
    }

    test::TempHome home;
    WatchedFile log{home.Path() + "/TarnelService.log"};
    std::unique_ptr<ChildProcess> service;
    std::unique_ptr<httplib::Client> client;
    int nPort = 0;
};

// Every sample as "name{label=value,...} value", parsed by the Python client's parser.
std::vector<std::string> ParsedByPrometheus(const std::string& strMetrics) {
    const auto outcome = ChildProcess::Run(
        // Debian's interpreter, which has Debian's python3-prometheus-client.
        {"/usr/bin/python3", "-c",
         "import sys\n"
         "from prometheus_client.parser import text_string_to_metric_families as parse\n"
         "for family in parse(sys.stdin.read()):\n"
         "    for s in family.samples:\n"
         "        labels = ','.join(k + '=' + v for k, v in sorted(s.labels.items()))\n"
         "        print(family.type, s.name + '{' + labels + '}', repr(s.value))\n"},
        60s, strMetrics);
    EXPECT_EQ(outcome.status, 0) << outcome.output;
    std::vector<std::string> lines;
    std::istringstream in(outcome.output);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST_F(TarnelSvcMonitorTest, MetricsReadByAPrometheusParserWithEscapedStreamNames) {
    Configure(
        "NG,PT-1,TT-1,ZI-1,45.99,190.56,0.011,bar,deg C,ZS-1\n"
        "\"Q\"\"1\\b\",PT-1,TT-1,ZI-2,45.99,190.56,0.011,bar,deg C,ZS-2\n",
        "0,PT-1,value,0\n0,TT-1,value,15\n");
    Start();
    ASSERT_TRUE(Eventually([&] { return AllValid(); }));
    ASSERT_TRUE(Eventually(
        [&] { return Get("/metrics").second.find("result=\"ok\"} 0") == std::string::npos; }));
    const auto samples = ParsedByPrometheus(Get("/metrics").second);
    using ::testing::Contains;
    // The stream file's reader keeps both quotes of the name.
    EXPECT_THAT(samples, Contains("gauge tarnel_stream_z{stream=NG} 0.9974879"));
    EXPECT_THAT(samples, Contains("gauge tarnel_stream_z{stream=Q\"\"1\\b} 0.9974879"));
    EXPECT_THAT(samples, Contains("gauge tarnel_stream_status{stream=NG} 1.0"));
    EXPECT_THAT(samples, Contains("gauge tarnel_stream_temperature_kelvin{stream=NG} 288.15"));
    EXPECT_THAT(samples, Contains("gauge tarnel_server_connected{} 1.0"));
    EXPECT_THAT(samples, Contains("gauge tarnel_build_info{version=1.0.0} 1.0"));
    EXPECT_THAT(samples, Contains("counter tarnel_writes_total{result=failed} 0.0"));
    EXPECT_THAT(samples, Contains(::testing::StartsWith("counter tarnel_data_changes_total{} ")));
    EXPECT_THAT(samples,
                Contains(::testing::StartsWith(
                    "gauge tarnel_stream_last_calculation_timestamp_seconds{stream=NG} 1")));
    const auto [nStatus, trend] = Get("/api/streams/q%22%221%5Cb/trend");
    ASSERT_EQ(nStatus, 200);
    EXPECT_EQ(nlohmann::json::parse(trend)["stream"], "Q\"\"1\\b");
    EXPECT_EQ(Get("/api/streams/nothing/trend").first, 404);
}

TEST_F(TarnelSvcMonitorTest, HealthTurnsUnhealthyWhenTheServerAsksToShutDown) {
    Configure("NG,PT-1,TT-1,ZI-1,45.99,190.56,0.011,bar,deg C,ZS-1\n",
              "0,PT-1,value,0\n0,TT-1,value,15\n4,,shutdown,Planned maintenance\n");
    Start();
    ASSERT_TRUE(Eventually([&] {
        return Get("/healthz").second.rfind("ok: 1 streams, 1 valid; last data change ", 0) == 0;
    })) << Get("/healthz").second;
    ASSERT_TRUE(Eventually([&] { return Get("/healthz").first == 503; }));
    EXPECT_EQ(Get("/healthz").second,
              "the data server Tarnel.Simulation asked to shut down: Planned maintenance\n");
}

// The first datagram that starts with strStart, from a bound notify socket.
std::string NextNotify(int fd, const std::string& strStart) {
    const auto deadline = Clock::now() + 60s;
    while (Clock::now() < deadline) {
        pollfd pfd{fd, POLLIN, 0};
        if (poll(&pfd, 1, 1000) != 1) continue;
        char buffer[512] = {};
        const ssize_t n = recv(fd, buffer, sizeof buffer - 1, 0);
        const std::string message(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
        if (message.rfind(strStart, 0) == 0) return message;
    }
    return "";
}

TEST_F(TarnelSvcMonitorTest, AsAServiceTheStatusLineAndWatchdogGoToSystemd) {
    Configure("NG,PT-1,TT-1,ZI-1,45.99,190.56,0.011,bar,deg C,ZS-1\n",
              "0,PT-1,value,0\n0,TT-1,value,15\n");
    const std::string strSocket = home.Path() + "/notify";
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    strSocket.copy(addr.sun_path, sizeof addr.sun_path - 1);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    Start({}, {"NOTIFY_SOCKET=" + strSocket, "WATCHDOG_USEC=60000000"});
    EXPECT_EQ(NextNotify(fd, ""), "READY=1\nSTATUS=Running");
    const std::string strState =
        NextNotify(fd, "WATCHDOG=1\nSTATUS=1 streams, 1 valid; last data change ");
    EXPECT_THAT(strState, ::testing::MatchesRegex(".* [0-9]+\\.[0-9] s ago")) << strState;
    service->Signal(SIGUSR1);
    EXPECT_NE(NextNotify(fd, "WATCHDOG=1\nSTATUS=Paused: 1 streams"), "");
    close(fd);
}

#ifdef TARNEL_PROVIDER_MQTT
TEST_F(TarnelSvcMonitorTest, HealthFollowsTheBrokerConnection) {
    TempFolder brokerFolder;
    MosquittoBroker broker(brokerFolder.Path().string());
    ASSERT_TRUE(broker.Start());
    ASSERT_EQ(MqttPublish(broker.Endpoint(), "plant/P", "45.2", {"-r"}).status, 0);
    ASSERT_EQ(MqttPublish(broker.Endpoint(), "plant/T", "21.5", {"-r"}).status, 0);
    Configure("NG,plant/P,plant/T,plant/Z,45.99,190.56,0.011,barg,deg C,plant/S\n", "",
              "OpcServer=Tarnel.MQTT\nNode=mqtt://127.0.0.1:" + std::to_string(broker.Port()) +
                  "\n[Tarnel.MQTT]\nKeepAliveSeconds=5\n");
    Start();
    ASSERT_TRUE(Eventually([&] { return Get("/healthz").first == 200; })) << Get("/healthz").second;
    broker.Kill();
    ASSERT_TRUE(Eventually([&] { return Get("/healthz").first == 503; }));
    EXPECT_EQ(Get("/healthz").second, "the data server Tarnel.MQTT is communication fault\n");
    ASSERT_TRUE(broker.Start());
    EXPECT_TRUE(Eventually([&] { return Get("/healthz").first == 200; }));
}
#endif

std::int64_t ResidentKilobytes(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stoll(line.substr(6));
    }
    return -1;
}

// The start of each data change's write-back in the simulation's journal,
// in milliseconds of the day.
std::vector<std::int64_t> WriteBursts(const std::string& strJournal) {
    std::vector<std::int64_t> bursts;
    std::istringstream in(strJournal);
    std::int64_t nLast = -1000000;
    const std::regex line("^\\d{4}-\\d\\d-\\d\\d (\\d\\d):(\\d\\d):(\\d\\d)\\.(\\d{3}),ZI-");
    for (std::string text; std::getline(in, text);) {
        std::smatch m;
        if (!std::regex_search(text, m, line)) continue;
        const std::int64_t nMs =
            ((std::stoll(m[1]) * 60 + std::stoll(m[2])) * 60 + std::stoll(m[3])) * 1000 +
            std::stoll(m[4]);
        if (nMs - nLast > 300) bursts.push_back(nMs);
        nLast = nMs;
    }
    return bursts;
}

TEST_F(TarnelSvcMonitorTest, TwoHundredPollingClientsNeitherDelayTheWritesNorGrowTheMemory) {
    std::string strStreams, strScenario;
    for (int i = 0; i < 1000; ++i) {
        const std::string n = std::to_string(i);
        strStreams += "S-" + n + ",PT-" + n + ",TT-" + n + ",ZI-" + n +
                      ",45.99,190.56,0.011,bar,deg C,ZS-" + n + "\n";
        strScenario += "0,PT-" + n + ",wander,20,,10,30,0.5," + n + "\n0,TT-" + n + ",value,15\n";
    }
    Configure(strStreams, strScenario);
    Start();
    ASSERT_TRUE(Eventually([&] { return AllValid(); }));
    std::atomic<bool> bStop = false;
    std::atomic<std::int64_t> nAnswers = 0;
    std::vector<std::thread> clients;
    for (int i = 0; i < 200; ++i) {
        clients.emplace_back([&] {
            // The load stands for other machines: it gives way to the service.
            setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19);
            httplib::Client http("127.0.0.1", nPort);
            http.set_read_timeout(30, 0);
            for (auto next = Clock::now(); !bStop; next += 100ms) {
                for (const char* path : {"/api/streams", "/metrics"}) {
                    const auto res = http.Get(path);
                    if (res && res->status == 200) ++nAnswers;
                }
                std::this_thread::sleep_until(std::max(next, Clock::now()));
            }
        });
    }
    // The load's own duration, not a wait: the first seconds warm the
    // listener's threads up, the rest must not need more memory.
    std::this_thread::sleep_until(Clock::now() + 8s);
    const std::int64_t nStartKb = ResidentKilobytes(service->Pid());
    const auto startBursts = WriteBursts(home.Read("SimulationWrites.csv")).size();
    std::this_thread::sleep_until(Clock::now() + 12s);
    const std::int64_t nEndKb = ResidentKilobytes(service->Pid());
    bStop = true;
    for (auto& t : clients) t.join();
    const auto bursts = WriteBursts(home.Read("SimulationWrites.csv"));
    ASSERT_GT(bursts.size(), startBursts + 10);
    std::int64_t nWorst = 0;
    for (std::size_t i = startBursts; i < bursts.size(); ++i) {
        nWorst = std::max(nWorst, bursts[i] - bursts[i - 1] - 1000);
    }
#ifndef __SANITIZE_ADDRESS__
    // The sanitizers slow the service several times over and keep freed
    // memory in quarantine: there the load runs for the faults it may bring
    // out, and the schedule and the memory are judged in the plain build.
    EXPECT_LE(nWorst, 100) << "ms a data change came late";
    EXPECT_LT(nEndKb - nStartKb, 8192) << "kB more in the last 12 s of load";
#endif
    std::cout << "answers: " << nAnswers << ", worst delay " << nWorst << " ms, RSS " << nStartKb
              << " -> " << nEndKb << " kB\n";
    EXPECT_TRUE(service->Running());
}

}  // namespace
}  // namespace tarnel
