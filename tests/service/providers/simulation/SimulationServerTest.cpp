#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include "service/automation/AutomationServer.h"
#include "service/providers/simulation/SimulationServer.h"
#include "tests/support/GroupItems.h"
#include "tests/support/ProgramHomeTest.h"

namespace tarnel {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

struct Change {
    std::int32_t nClientHandle;
    Variant value;
    std::int32_t nQuality;
    bool operator==(const Change&) const = default;
};
void PrintTo(const Change& c, std::ostream* os) {
    *os << "{" << c.nClientHandle << ", " << c.value.ToText() << ", " << c.nQuality << "}";
}

constexpr const char* kHeader = "Seconds,Item,Action,Value,Quality,Low,High,Step,Seed\n";

// One simulation server and group on a clock the test moves by hand.
class SimulationTest : public ProgramHomeTest {
protected:
    void Start(const std::string& strScenario, float rDeadband = 0.0f) {
        WriteFile("Simulation.csv", kHeader + strScenario);
        m_Server = std::make_shared<SimulationServer>(
            m_io, SimulationServer::Settings{m_Home.Path().string(), m_Home.Path().string(),
                                             [this] { return m_Now; }});
        ASSERT_EQ(m_Server->Connect("Tarnel.Simulation", std::nullopt), S_OK);
        std::shared_ptr<OPCGroups> groups;
        ASSERT_EQ(m_Server->get_OPCGroups(groups), S_OK);
        ASSERT_EQ(groups->put_DefaultGroupDeadband(rDeadband), S_OK);
        std::shared_ptr<OPCGroup> group;
        ASSERT_EQ(groups->Add("G", group), S_OK);
        m_Group = std::dynamic_pointer_cast<SimulationGroup>(group);
        m_Group->put_IsSubscribed(true);
        m_Group->DataChange = [this](std::int32_t, std::int32_t NumItems, const auto& handles,
                                     const auto& values, const auto& qualities, const auto&) {
            auto& change = m_Changes.emplace_back();
            for (std::int32_t i = 1; i <= NumItems; ++i) {
                change.push_back({handles(i), values(i), qualities(i)});
            }
        };
    }

    // Adds the names with client handles 1, 2, ...; returns the per-item errors.
    std::vector<std::int32_t> Add(const std::vector<std::string>& names) {
        return AddGroupItems(*m_Group, names, m_ServerHandles);
    }

    // Runs the update period that ends dSeconds after the items were added.
    std::vector<Change> At(double dSeconds) {
        m_Now = SimulationTime() + std::chrono::duration_cast<SimulationTime::duration>(
                                       std::chrono::duration<double>(dSeconds));
        m_Changes.clear();
        m_Group->Update(m_Now);
        return m_Changes.empty() ? std::vector<Change>() : m_Changes.at(0);
    }

    HRESULT Write(std::int32_t nServerHandle, const Variant& value, std::int32_t& nError) {
        OPCArray<std::int32_t> handles;
        handles.Append(nServerHandle);
        OPCArray<Variant> values;
        values.Append(value);
        OPCArray<std::int32_t> errors;
        std::int32_t nCancelID = 0;
        const HRESULT hr = m_Group->AsyncWrite(1, handles, values, errors, 0, nCancelID);
        nError = errors.Has(1) ? errors(1) : -1;
        return hr;
    }

    asio::io_context m_io;
    SimulationTime m_Now{};
    std::shared_ptr<SimulationServer> m_Server;
    std::shared_ptr<SimulationGroup> m_Group;
    OPCArray<std::int32_t> m_ServerHandles;
    std::vector<std::vector<Change>> m_Changes;
};

class SimulationNodeTest : public SimulationTest,
                           public ::testing::WithParamInterface<std::optional<std::string>> {};

TEST_P(SimulationNodeTest, OnlyTheLocalMachineAnswers) {
    SimulationServer server(m_io, {m_Home.Path().string(), m_Home.Path().string()});
    const auto& node = GetParam();
    const bool bLocal = !node || node->empty() || *node == "localhost" || *node == "LocalHost";
    EXPECT_EQ(server.Connect("Tarnel.Simulation", node),
              bLocal ? S_OK : HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE));
}

INSTANTIATE_TEST_SUITE_P(Nodes, SimulationNodeTest,
                         ::testing::Values(std::nullopt, "", "localhost", "LocalHost", "plant-07",
                                           "127.0.0.1"));

TEST_F(SimulationTest, ProvidersAreChosenByProgID) {
    AutomationServer server({SimulationServer::Provider(m_io)});
    std::vector<std::string> progIDs;
    EXPECT_EQ(server.GetOPCServers(progIDs), S_OK);
    EXPECT_THAT(progIDs, ElementsAre("Tarnel.Simulation"));
    EXPECT_EQ(server.Connect("Vendor.Unknown.1", std::nullopt), CO_E_CLASSSTRING);
    EXPECT_EQ(server.Connect("tarnel.simulation", std::nullopt), S_OK);
    // No scenario in the program's folder: logged, and the server runs.
    EXPECT_THAT(LogMessages(),
                ElementsAre("Simulation: no scenario file " + m_Home.File("Simulation.csv") +
                            ", running with no scripted values"));
    std::shared_ptr<OPCGroups> groups;
    EXPECT_EQ(server.get_OPCGroups(groups), S_OK);
    EXPECT_EQ(server.Disconnect(), S_OK);
}

TEST_F(SimulationTest, RefusesEmptyAndScriptedNamesEachWithItsCode) {
    Start(",BAD.ONE,refuse\n,bad.two,refuse,0xC0040006\n");
    EXPECT_THAT(Add({"P1", "", "bad.one", "BAD.TWO", "T1"}),
                ElementsAre(0, OPC_E_INVALIDITEMID, OPC_E_UNKNOWNITEMID,
                            static_cast<HRESULT>(0xC0040006), 0));
    EXPECT_NE(m_ServerHandles(1), 0);
    EXPECT_EQ(m_ServerHandles(2), 0);
    EXPECT_NE(m_ServerHandles(5), m_ServerHandles(1));
}

TEST_F(SimulationTest, FirstChangeCarriesEveryItemWithAValue) {
    Start("0,P1,value,45.5\n0,T1,value,300,0xC0\n0,S1,value,RUNNING,64\n");
    Add({"P1", "T1", "NoValue", "S1"});
    EXPECT_THAT(At(0.0),
                ElementsAre(Change{1, Variant(45.5), 0xC0}, Change{2, Variant(300.0), 0xC0},
                            Change{4, Variant("RUNNING"), 0x40}));
    EXPECT_THAT(At(1.0), IsEmpty());
    EXPECT_TRUE(m_Changes.empty());
}

TEST_F(SimulationTest, StepsArriveAtTheirSecondAndQualityCounts) {
    Start("5,P1,value,2,64\n0,P1,value,1\n8,P1,value,2,0\n");
    Add({"P1"});
    EXPECT_THAT(At(0.0), ElementsAre(Change{1, Variant(1.0), 0xC0}));
    EXPECT_THAT(At(4.9), IsEmpty());
    EXPECT_THAT(At(5.0), ElementsAre(Change{1, Variant(2.0), 0x40}));
    EXPECT_THAT(At(9.0), ElementsAre(Change{1, Variant(2.0), 0x00}));
}

TEST_F(SimulationTest, DeadbandIsAShareOfTheItemsRange) {
    Start(
        ",P1,range,,,0,200\n0,P1,value,100\n1,P1,value,110\n2,P1,value,125\n"
        "0,N1,value,1\n1,N1,value,1.001\n",
        10.0f);
    Add({"P1", "N1"});
    EXPECT_EQ(At(0.0).size(), 2u);
    // 10 is below 10 % of 200; N1 has no range and reports every change.
    EXPECT_THAT(At(1.0), ElementsAre(Change{2, Variant(1.001), 0xC0}));
    // Measured from the last value reported: 25 is enough.
    EXPECT_THAT(At(2.0), ElementsAre(Change{1, Variant(125.0), 0xC0}));
}

TEST_F(SimulationTest, InactiveGroupRaisesNothingUntilActiveAgain) {
    Start("0,P1,value,1\n1,P1,value,2\n");
    Add({"P1"});
    m_Group->put_IsActive(false);
    EXPECT_THAT(At(0.0), IsEmpty());
    EXPECT_THAT(At(1.0), IsEmpty());
    EXPECT_TRUE(m_Changes.empty());
    m_Group->put_IsActive(true);
    EXPECT_THAT(At(2.0), ElementsAre(Change{1, Variant(2.0), 0xC0}));
}

TEST_F(SimulationTest, WritesAreStoredReportedAndJournaled) {
    Start("0,Z1,value,1\n");
    Add({"Z1"});
    At(0.0);
    std::int32_t nError = -1;
    EXPECT_EQ(Write(m_ServerHandles(1), Variant(1.2345679f), nError), S_OK);
    EXPECT_EQ(nError, 0);
    EXPECT_THAT(At(0.5), ElementsAre(Change{1, Variant(1.2345679f), 0xC0}));
    // Handle 0 (an item the server refused) is accepted and journaled as refused.
    EXPECT_EQ(Write(0, Variant(-1.0f), nError), S_FALSE);
    EXPECT_EQ(nError, OPC_E_INVALIDHANDLE);

    const auto lines = Lines("SimulationWrites.csv");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Time,Item,Value,Result");
    EXPECT_THAT(lines[1],
                ::testing::MatchesRegex("[0-9-]{10} [0-9:]{8}\\.[0-9]{3},Z1,1\\.23456788,OK"));
    EXPECT_THAT(lines[2], ::testing::EndsWith(",,-1,Refused"));
}

// The journal is standard CSV: Python's csv module gets every item name back
// exactly, quotes, commas and line breaks included.
TEST_F(SimulationTest, JournalReadsBackWithAStandardCsvReader) {
    const std::vector<std::string> names = {"plain",      "a\"b",     "\"quoted\"", "x,y",
                                            "two\nlines", " padded ", "cr\rlf"};
    Start("");
    Add(names);
    std::int32_t nError = 0;
    for (std::int32_t i = 1; i <= static_cast<std::int32_t>(names.size()); ++i) {
        Write(m_ServerHandles(i), Variant(1.0f), nError);
    }
    // Each name comes back hex-encoded on a line of its own.
    const std::string strCommand =
        "python3 -c 'import csv, sys\n"
        "rows = list(csv.reader(open(sys.argv[1], newline=\"\", encoding=\"latin-1\")))\n"
        "assert rows[0] == [\"Time\", \"Item\", \"Value\", \"Result\"], rows[0]\n"
        "for row in rows[1:]: print(row[1].encode(\"latin-1\").hex(), row[2], row[3])' " +
        m_Home.File("SimulationWrites.csv");
    FILE* python = popen(strCommand.c_str(), "r");
    ASSERT_NE(python, nullptr);
    std::string strOut;
    char buffer[256];
    while (fgets(buffer, sizeof buffer, python) != nullptr) strOut += buffer;
    ASSERT_EQ(pclose(python), 0) << strOut;
    std::string strExpected;
    for (const auto& name : names) {
        for (const unsigned char c : name) {
            strExpected += "0123456789abcdef"[c >> 4];
            strExpected += "0123456789abcdef"[c & 15];
        }
        strExpected += " 1 OK\n";
    }
    EXPECT_EQ(strOut, strExpected);
}

// A client writes singles; the same number in another type is no change.
TEST_F(SimulationTest, SameNumberWrittenAsSingleIsNoChange) {
    Start("0,S1,value,1\n");
    Add({"S1"});
    At(0.0);
    std::int32_t nError = -1;
    Write(m_ServerHandles(1), Variant(1.0f), nError);
    EXPECT_THAT(At(1.0), IsEmpty());
    Write(m_ServerHandles(1), Variant(2.0f), nError);
    EXPECT_THAT(At(2.0), ElementsAre(Change{1, Variant(2.0f), 0xC0}));
}

TEST_F(SimulationTest, ShutdownIsRaisedOnceWithItsReason) {
    Start("10,,shutdown,\"Maintenance, back at 11:00\"\n");
    std::vector<std::string> reasons;
    m_Server->ServerShutDown = [&](const std::string& Reason) { reasons.push_back(Reason); };
    Add({"P1"});
    At(9.9);
    EXPECT_THAT(reasons, IsEmpty());
    At(10.0);
    At(20.0);
    EXPECT_THAT(reasons, ElementsAre("Maintenance, back at 11:00"));
}

TEST_F(SimulationTest, WanderRepeatsWithItsSeedWithinItsBounds) {
    Start("0,W1,wander,50,192,40,60,2,42\n");
    Add({"W1", "w1"});
    std::vector<double> walk;
    for (double dSecond = 0.0; dSecond <= 120.0; dSecond += 0.5) {
        const auto changes = At(dSecond);
        if (changes.empty()) continue;
        ASSERT_EQ(changes.size(), 2u);
        EXPECT_EQ(changes[0].value, changes[1].value);  // same seed, same walk
        double dValue = 0.0;
        changes[0].value.ToDouble(dValue);
        EXPECT_GE(dValue, 40.0);
        EXPECT_LE(dValue, 60.0);
        walk.push_back(dValue);
    }
    // One step per second, however often the group updates.
    EXPECT_EQ(walk.size(), 121u);
    EXPECT_EQ(walk.front(), 50.0);
}

TEST_F(SimulationTest, WriteEndsAWander) {
    Start("0,W1,wander,,,0,10,1\n");
    Add({"W1"});
    EXPECT_THAT(At(0.0), ElementsAre(Change{1, Variant(5.0), 0xC0}));
    std::int32_t nError = -1;
    Write(m_ServerHandles(1), Variant(7.0f), nError);
    EXPECT_THAT(At(3.0), ElementsAre(Change{1, Variant(7.0f), 0xC0}));
    EXPECT_THAT(At(6.0), IsEmpty());
}

TEST_F(SimulationTest, MalformedScenarioIsLoggedAndIgnored) {
    Start(",BAD.ONE,refuse\nsoon,P1,value,1\n");
    EXPECT_THAT(LogMessages(),
                ElementsAre("Simulation: scenario file " + m_Home.File("Simulation.csv") +
                            " line 3: seconds \"soon\" is not a number of seconds from 0 up"
                            ", running with no scripted values"));
    EXPECT_THAT(Add({"BAD.ONE", "P1"}), ElementsAre(0, 0));
    EXPECT_THAT(At(0.0), IsEmpty());
}

TEST_F(SimulationTest, RemovedGroupRefusesCalls) {
    Start("0,P1,value,1\n");
    Add({"P1"});
    std::shared_ptr<OPCGroups> groups;
    m_Server->get_OPCGroups(groups);
    EXPECT_EQ(groups->Remove("G"), S_OK);
    EXPECT_EQ(groups->Remove("G"), E_INVALIDARG);
    std::int32_t nError = 0;
    EXPECT_EQ(Write(m_ServerHandles(1), Variant(1.0f), nError), RPC_E_DISCONNECTED);
    EXPECT_THAT(At(0.0), IsEmpty());
}

TEST_F(SimulationTest, HandlerMayDisconnectTheServer) {
    Start("0,P1,value,1\n0,T1,value,2\n");
    Add({"P1", "T1"});
    int nEvents = 0;
    m_Group->DataChange = [&](auto&&...) {
        ++nEvents;
        m_Server->Disconnect();
        m_Group.reset();
    };
    auto group = m_Group;
    group->Update(m_Now);
    group->Update(m_Now);
    EXPECT_EQ(nEvents, 1);
}

TEST_F(SimulationTest, TimerRaisesChangesOnTheEventLoopThread) {
    Start("0,P1,value,1\n");
    m_Now = std::chrono::steady_clock::now();
    Add({"P1"});
    EXPECT_EQ(m_Group->put_UpdateRate(1), S_OK);
    EXPECT_EQ(m_Group->UpdateRate(), 10);  // revised to the fastest period
    std::thread::id handlerThread;
    m_Group->DataChange = [&](auto&&...) { handlerThread = std::this_thread::get_id(); };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (handlerThread == std::thread::id() && std::chrono::steady_clock::now() < deadline) {
        m_io.run_one_for(std::chrono::milliseconds(100));
    }
    EXPECT_EQ(handlerThread, std::this_thread::get_id());
}

}  // namespace
}  // namespace tarnel
