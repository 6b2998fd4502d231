// The monitoring's parts: the listener's request checks on a real socket,
// the snapshot's health and summary, the trend ring, the journal's entries,
// and the monitor against the real window object and simulation server.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>

#include <cmath>
#include <sstream>

#include "HostTestSupport.h"
#include "service/automation/OPCErrors.h"
#include "service/base/ProgramModule.h"
#include "service/host/BuiltInProviders.h"
#include "service/host/CreateGas.h"
#include "service/host/JournalEntry.h"
#include "service/host/JournalTap.h"
#include "service/host/MonitorPage.h"
#include "service/host/PlantMonitor.h"
#include "service/host/frmMain.h"

namespace tarnel {
namespace {

using namespace std::chrono_literals;
using ::testing::Contains;
using ::testing::ElementsAre;

TEST(MonitorPageTest, AnswersOnlyGetAndHeadUnderItsOwnNames) {
    test::TempHome home;
    MonitorPage page;
    page.Start("127.0.0.1", 0, {"scada.plant.example", ""});
    ASSERT_GT(page.Port(), 0);
    page.Publish(std::make_shared<MonitorSnapshot>());
    const std::string strPort = std::to_string(page.Port());
    struct Case {
        const char* method;
        std::string host;
        std::string body;
        int nStatus;
    };
    const Case cases[] = {
        {"GET", "127.0.0.1:" + strPort, "", 200},
        {"HEAD", "localhost", "", 200},
        {"GET", "[::1]:" + strPort, "", 200},
        {"GET", "SCADA.plant.example:" + strPort, "", 200},
        {"GET", "scada.plant.example:1", "", 403},
        {"GET", "evil.example", "", 403},
        {"GET", "127.0.0.1.evil.example", "", 403},
        {"GET", ":" + strPort, "", 403},
        {"GET", "127.0.0.1", "x=1", 413},
        {"POST", "127.0.0.1", "x=1", 405},
        {"DELETE", "127.0.0.1", "", 405},
    };
    httplib::Client client("127.0.0.1", page.Port());
    for (const Case& c : cases) {
        httplib::Request req;
        req.method = c.method;
        req.path = "/metrics";
        req.headers = {{"Host", c.host}};
        req.body = c.body;
        if (!c.body.empty()) req.headers.emplace("Content-Type", "text/plain");
        const auto res = client.send(req);
        ASSERT_TRUE(res) << c.method << " " << c.host;
        EXPECT_EQ(res->status, c.nStatus) << c.method << " " << c.host;
        EXPECT_FALSE(res->has_header("Access-Control-Allow-Origin"));
    }
    MonitorPage second;
    second.Start("127.0.0.1", page.Port(), {});
    EXPECT_EQ(second.Port(), 0);
    EXPECT_THAT(home.LogLines(), Contains("Monitoring not started on 127.0.0.1:" + strPort +
                                          ": Address already in use"));
}

std::unique_ptr<MonitorSnapshot> Plant(std::int32_t nState, bool bShutdown) {
    auto plant = std::make_unique<MonitorSnapshot>();
    MonitorSnapshot& snapshot = *plant;
    snapshot.Server = "Tarnel.Simulation";
    snapshot.ServerState = nState;
    snapshot.ShutdownRequested = bShutdown;
    snapshot.ShutdownReason = "maintenance";
    snapshot.Taken = 1000.0;
    snapshot.LastDataChange = 999.2;
    for (const std::int32_t nStatus : {1, -2, 1, 0}) snapshot.Values.push_back({.Status = nStatus});
    return plant;
}

TEST(MonitorSnapshotTest, HealthSaysWhy) {
    const struct {
        double dSinceLoop;
        std::int32_t nState;
        bool bShutdown;
        bool bHealthy;
        std::string text;
    } cases[] = {
        {0.5, OPC_STATUS_RUNNING, false, true,
         "ok: 4 streams, 2 valid, 1 not calculated, 1 bad quality; last data change 0.8 s ago"},
        {6.0, OPC_STATUS_RUNNING, false, false, "the event loop has not run for 6.0 s"},
        {0.5, OPC_STATUS_RUNNING, true, false,
         "the data server Tarnel.Simulation asked to shut down: maintenance"},
        {0.5, OPC_STATUS_COMM_FAULT, false, false,
         "the data server Tarnel.Simulation is communication fault"},
        {0.5, OPC_STATUS_FAILED, false, false,
         "the data server Tarnel.Simulation is not connected"},
    };
    for (const auto& c : cases) {
        std::string strText;
        EXPECT_EQ(Plant(c.nState, c.bShutdown)->Healthy(c.dSinceLoop, strText), c.bHealthy);
        EXPECT_EQ(strText, c.text);
    }
}

TEST(StreamTrendTest, KeepsTheLatestPointsOldestFirst) {
    StreamTrend trend(3);
    for (int i = 1; i <= 5; ++i) trend.Add({static_cast<double>(i)});
    std::vector<double> times;
    for (const auto& point : trend.Points()) times.push_back(point.Time);
    EXPECT_THAT(times, ElementsAre(3.0, 4.0, 5.0));
    EXPECT_EQ(trend.LastTime(), 5.0);
}

TEST(JournalEntryTest, PriorityAndSubjectFollowTheLine) {
    const struct {
        const char* line;
        int nPriority;
        const char* stream;
        const char* operation;
    } cases[] = {
        {"Started", JournalEntry::kInfo, "", ""},
        {"Service ends: no stream accepted from the stream-definition file /x", JournalEntry::kErr,
         "", ""},
        {"OPC Async Write: Error 0x80004005, -2147467259", JournalEntry::kErr, "",
         "OPC Async Write"},
        {"NG-101: Pressure Tag Not Specified", JournalEntry::kErr, "NG-101", ""},
        {"NG-101: Warning - Status Tag Not Specified", JournalEntry::kWarning, "NG-101", ""},
        {"NG: value abc of item PT-1 cannot be taken as a float; streams from here on wait for "
         "the next data change",
         JournalEntry::kWarning, "NG", ""},
        {"C3: Z did not converge in 50 Newton steps at 1 bar a, 2 K; status -5",
         JournalEntry::kWarning, "C3", ""},
        {"Server Tarnel.Simulation requested disconnection, Planned maintenance",
         JournalEntry::kWarning, "", ""},
        {"MQTT: connection to the broker at 127.0.0.1:1883 lost (connection refused)",
         JournalEntry::kWarning, "", ""},
    };
    for (const auto& c : cases) {
        const JournalEntry entry = JournalEntry::FromLogLine(c.line);
        EXPECT_EQ(entry.Priority, c.nPriority) << c.line;
        EXPECT_EQ(entry.Stream, c.stream) << c.line;
        EXPECT_EQ(entry.Operation, c.operation) << c.line;
    }
}

// Where the machine has no journal, the entries are checked at the seam.
class RecordingJournal : public IJournal {
public:
    void Send(const std::vector<std::string>& fields) override { entries.push_back(fields); }
    std::vector<std::vector<std::string>> entries;
};

TEST(JournalTapTest, EveryLogEntryAlsoGoesToTheJournalWhileTapped) {
    test::TempHome home;
    RecordingJournal journal;
    {
        JournalTap tap(journal);
        LogMessage("NG: Warning - Compressibility Tag Not Specified");
    }
    LogMessage("after the tap");
    ASSERT_EQ(journal.entries.size(), 1u);
    EXPECT_THAT(journal.entries[0],
                ElementsAre("MESSAGE=NG: Warning - Compressibility Tag Not Specified", "PRIORITY=4",
                            "SYSLOG_IDENTIFIER=TarnelSvc", "TARNEL_STREAM=NG"));
    EXPECT_EQ(home.LogLines().size(), 2u) << "the file keeps every entry";
}

class RecordingNotify : public IServiceNotify {
public:
    void Notify(const std::string& strState) override { states.push_back(strState); }
    bool WatchdogEnabled() const override { return bWatchdog; }
    std::vector<std::string> states;
    bool bWatchdog = false;
};

// The real window object on the simulation server, the clocks in the test's hands.
class PlantMonitorTest : public ::testing::Test {
protected:
    PlantMonitorTest()
        : form(FormPlatform{service, window, formTimers.Factory(), messages, [](int) {}, CreateGas,
                            [this](const std::string& strIniFile) {
                                return std::make_unique<OpcClient>(
                                    BuiltInProviders(loop, strIniFile));
                            }}),
          monitor(form, notify, monitorTimers.Factory(), [this] { return dNow; }) {
        form.Monitor(&monitor);
    }
    void Load(const std::string& strScenario) {
        home.Write("TarnelSvc.ini",
                   "[Tarnel Service]\nStartupDelaySeconds=1\nTagDef=Streams.csv\n"
                   "OpcServer=Tarnel.Simulation\nMonitorPort=off\n");
        home.Write("Streams.csv",
                   "Name,P,T,Z,Pc,Tc,Acentric,PUnit,TUnit,Status,Description\n"
                   "NG,PT-1,TT-1,ZI-1,45.99,190.56,0.011,bar,deg C,ZS-1\n");
        home.Write("Simulation.csv",
                   "Seconds,Item,Action,Value,Quality,Low,High,Step,Seed\n" + strScenario);
        form.Form_Load("-debug");
        formTimers.Connect().Tick();
    }
    // Runs the event loop until the next data change has been handled.
    void NextChange() {
        const auto nChanges = monitor.MakeSnapshot(dNow)->DataChanges;
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        while (monitor.MakeSnapshot(dNow)->DataChanges == nChanges &&
               std::chrono::steady_clock::now() < deadline) {
            loop.run_one_for(100ms);
        }
    }
    std::vector<TrendPoint> Trend() {
        return monitor.MakeSnapshot(dNow)->Streams->Trend(0).Points();
    }

    test::TempHome home;
    asio::io_context loop;
    test::FakeServiceControl service;
    test::FakeWindow window;
    test::ManualTimers formTimers, monitorTimers;
    std::ostringstream messages;
    RecordingNotify notify;
    double dNow = 1000.0;
    frmMain form;
    PlantMonitor monitor;
};

TEST_F(PlantMonitorTest, TrendsTakeAPointEveryTenSecondsAndOneOnEveryStatusChange) {
    Load("0,PT-1,value,0\n0,TT-1,value,15\n2,TT-1,value,15,0\n");
    NextChange();
    EXPECT_EQ(Trend().size(), 1u) << "the first calculation is a change of status";
    for (const double dStep : {5.0, 5.0, 5.0}) {
        dNow += dStep;
        monitorTimers.Connect().Tick();
    }
    ASSERT_EQ(Trend().size(), 2u) << "one more point 10 s after the first";
    EXPECT_EQ(Trend()[1].Time, 1010.0);
    while (Trend().back().Status != -2) NextChange();
    EXPECT_EQ(Trend().size(), 3u);
    const auto snapshot = monitor.MakeSnapshot(dNow);
    EXPECT_EQ(snapshot->Values[0].Status, -2);
    EXPECT_EQ(snapshot->Values[0].LastCalculation, dNow);
    EXPECT_GE(snapshot->WritesOk, 2u);
    EXPECT_TRUE(snapshot->Connected());
}

TEST_F(PlantMonitorTest, TheStatusLineGoesOutEverySecondWithTheWatchdogWhenAsked) {
    Load("0,PT-1,value,0\n0,TT-1,value,15\n");
    NextChange();
    dNow += 0.5;
    monitorTimers.Connect().Tick();
    notify.bWatchdog = true;
    monitorTimers.Connect().Tick();
    EXPECT_THAT(notify.states,
                ElementsAre("STATUS=1 streams, 1 valid; last data change 0.5 s ago",
                            "WATCHDOG=1\nSTATUS=1 streams, 1 valid; last data change 0.5 s ago"));
    form.m_OpcClient_ServerShutdown("maintenance");
    std::string strText;
    EXPECT_FALSE(monitor.MakeSnapshot(dNow)->Healthy(0.0, strText));
}

}  // namespace
}  // namespace tarnel
