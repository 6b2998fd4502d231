#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <asio/io_context.hpp>
#include <chrono>
#include <functional>
#include <map>

#include "service/automation/OPCGroups.h"
#include "service/automation/OPCItems.h"
#include "service/automation/OPCServer.h"
#include "tests/support/ProgramHomeTest.h"
#ifdef TARNEL_PROVIDER_SIMULATION
#include "service/providers/simulation/SimulationServer.h"
#endif
#ifdef TARNEL_PROVIDER_MQTT
#include "service/providers/mqtt/MqttServer.h"
#include "tests/support/MosquittoBroker.h"
#include "tests/support/MqttPublish.h"
#endif
#ifdef TARNEL_PROVIDER_MODBUS
#include "service/providers/modbus/ModbusServer.h"
#include "tests/support/modbus/ModbusDeviceProcess.h"
#endif

// What every provider must do for the client. Each provider adds a factory to
// the list at the end; one that needs a peer (a broker) starts it there.

namespace tarnel {
namespace {

using Clock = std::chrono::steady_clock;

// A provider's server, the node it is reached at, and the peer it needs.
struct ProviderRun {
    std::shared_ptr<OPCServer> server;
    std::optional<std::string> Node;
    std::shared_ptr<void> peer;
};

struct ProviderFactory {
    std::string strName;
    std::string strProgID;
    // Items that carry a good value from the start, and one the provider refuses.
    std::vector<std::string> accepted;
    std::string strRefused;
    // Prepares what the provider needs in folder and gives a new server.
    std::function<ProviderRun(asio::io_context&, const std::string& strFolder)> Start;
};

void PrintTo(const ProviderFactory& factory, std::ostream* os) { *os << factory.strName; }

struct Change {
    Clock::time_point arrived;
    std::map<std::int32_t, double> values;  // by client handle
};

constexpr std::int32_t kPeriod = 50;  // milliseconds

class ProviderContractTest : public ProgramHomeTest,
                             public ::testing::WithParamInterface<ProviderFactory> {
protected:
    void SetUp() override {
        ProgramHomeTest::SetUp();
        m_Run = GetParam().Start(m_io, m_Home.Path().string());
        m_Server = m_Run.server;
        ASSERT_TRUE(m_Server);
        ASSERT_EQ(m_Server->Connect(GetParam().strProgID, m_Run.Node), S_OK);
        ASSERT_EQ(m_Server->get_OPCGroups(m_Groups), S_OK);
    }
    void TearDown() override {
        if (m_Server) m_Server->Disconnect();
        ProgramHomeTest::TearDown();
    }

    // A subscribed group of that period that records its changes in changes.
    std::shared_ptr<OPCGroup> AddGroup(const std::string& strName, std::vector<Change>& changes) {
        std::shared_ptr<OPCGroup> group;
        EXPECT_EQ(m_Groups->Add(strName, group), S_OK);
        EXPECT_EQ(group->put_UpdateRate(kPeriod), S_OK);
        EXPECT_EQ(group->put_IsSubscribed(true), S_OK);
        group->DataChange = [&changes](std::int32_t, std::int32_t NumItems, const auto& handles,
                                       const auto& values, const auto& qualities, const auto&) {
            auto& change = changes.emplace_back(Change{Clock::now(), {}});
            for (std::int32_t i = 1; i <= NumItems; ++i) {
                double dValue = 0.0;
                EXPECT_EQ(values(i).ToDouble(dValue), S_OK);
                EXPECT_EQ(qualities(i), OPC_QUALITY_GOOD);
                EXPECT_TRUE(change.values.emplace(handles(i), dValue).second) << "twice in one";
            }
        };
        return group;
    }

    // Adds the accepted items with the refused one in their middle, client
    // handles 1, 2, ...; gives the per-item errors, and the server handles in m_Handles.
    std::vector<std::int32_t> AddItems(OPCGroup& group) {
        std::vector<std::string> names = GetParam().accepted;
        names.insert(names.begin() + 1, GetParam().strRefused);
        OPCArray<std::string> ids;
        OPCArray<std::int32_t> clients;
        for (const auto& name : names) {
            ids.Append(name);
            clients.Append(clients.UBound() + 1);
        }
        std::shared_ptr<OPCItems> items;
        EXPECT_EQ(group.get_OPCItems(items), S_OK);
        OPCArray<std::int32_t> errors;
        EXPECT_EQ(items->AddItems(ids.UBound(), ids, clients, m_Handles, errors), S_FALSE);
        std::vector<std::int32_t> result;
        for (std::int32_t i = 1; i <= errors.UBound(); ++i) result.push_back(errors(i));
        return result;
    }

    HRESULT Write(OPCGroup& group, std::vector<std::int32_t> handles, float rValue,
                  OPCArray<std::int32_t>& errors) {
        OPCArray<std::int32_t> servers;
        OPCArray<Variant> values;
        for (std::int32_t nHandle : handles) {
            servers.Append(nHandle);
            values.Append(Variant(rValue));
        }
        std::int32_t nCancelID = 0;
        return group.AsyncWrite(servers.UBound(), servers, values, errors, 7, nCancelID);
    }

    // Runs the event loop until done() holds; a generous limit for a loaded machine.
    void RunUntil(const std::function<bool()>& done) {
        const auto deadline = Clock::now() + std::chrono::seconds(30);
        while (!done() && Clock::now() < deadline) m_io.run_one_for(std::chrono::milliseconds(100));
        ASSERT_TRUE(done()) << "timed out";
    }

    asio::io_context m_io;
    ProviderRun m_Run;
    std::shared_ptr<OPCServer> m_Server;
    std::shared_ptr<OPCGroups> m_Groups;
    OPCArray<std::int32_t> m_Handles;
};

std::vector<std::int32_t> Keys(const std::map<std::int32_t, double>& values) {
    std::vector<std::int32_t> keys;
    for (const auto& [nHandle, dValue] : values) keys.push_back(nHandle);
    return keys;
}

TEST_P(ProviderContractTest, ListsItsProgIDAndDisconnects) {
    std::vector<std::string> progIDs;
    EXPECT_EQ(m_Server->GetOPCServers(progIDs), S_OK);
    EXPECT_THAT(progIDs, ::testing::Contains(GetParam().strProgID));
    std::int32_t nState = 0;
    EXPECT_EQ(m_Server->get_ServerState(nState), S_OK);
    EXPECT_EQ(nState, OPC_STATUS_RUNNING);
    EXPECT_EQ(m_Server->Disconnect(), S_OK);
    std::shared_ptr<OPCGroups> groups;
    EXPECT_TRUE(FAILED(m_Server->get_OPCGroups(groups)));
    EXPECT_TRUE(FAILED(m_Server->get_ServerState(nState)));
    EXPECT_EQ(m_Server->Disconnect(), S_OK);
}

TEST_P(ProviderContractTest, FirstChangeCarriesEveryItemThenOnlyTheChangedOnesOncePerPeriod) {
    std::vector<Change> changes;
    auto group = AddGroup("G", changes);
    const auto errors = AddItems(*group);
    ASSERT_EQ(errors.size(), GetParam().accepted.size() + 1);
    EXPECT_NE(errors[1], S_OK);
    EXPECT_EQ(m_Handles(2), 0);
    std::vector<std::int32_t> expected;  // client handles of the added items
    for (std::int32_t i = 1; i <= m_Handles.UBound(); ++i) {
        if (i == 2) continue;
        EXPECT_EQ(errors[i - 1], S_OK) << i;
        EXPECT_NE(m_Handles(i), 0) << i;
        expected.push_back(i);
    }
    RunUntil([&] { return !changes.empty(); });
    EXPECT_EQ(Keys(changes[0].values), expected);

    // Each change brings the next write of the first item, and only that item.
    constexpr int kWrites = 4;
    for (int n = 1; n <= kWrites; ++n) {
        OPCArray<std::int32_t> writeErrors;
        EXPECT_EQ(Write(*group, {m_Handles(1)}, 100.0f + n, writeErrors), S_OK);
        RunUntil([&] { return changes.size() > static_cast<std::size_t>(n); });
    }
    for (std::size_t n = 1; n < changes.size(); ++n) {
        EXPECT_EQ(changes[n].values, (std::map<std::int32_t, double>{{1, 100.0 + n}})) << n;
        EXPECT_GE(changes[n].arrived - changes[n - 1].arrived,
                  std::chrono::milliseconds(kPeriod * 9 / 10))
            << n;
    }
}

TEST_P(ProviderContractTest, InactiveGroupDeliversNothingUntilActivated) {
    std::vector<Change> quiet;
    auto inactive = AddGroup("Inactive", quiet);
    ASSERT_EQ(inactive->put_IsActive(false), S_OK);
    AddItems(*inactive);
    // An active group of the same period, made later, witnesses that periods passed.
    std::vector<Change> witnessed;
    auto witness = AddGroup("Witness", witnessed);
    AddItems(*witness);
    RunUntil([&] { return !witnessed.empty(); });
    OPCArray<std::int32_t> errors;
    Write(*witness, {m_Handles(1)}, 5.0f, errors);
    RunUntil([&] { return witnessed.size() > 1; });
    EXPECT_THAT(quiet, ::testing::IsEmpty());

    ASSERT_EQ(inactive->put_IsActive(true), S_OK);
    RunUntil([&] { return !quiet.empty(); });
    EXPECT_EQ(Keys(quiet[0].values), Keys(witnessed[0].values));
}

TEST_P(ProviderContractTest, AsyncWriteCompletesWithItsEventAfterTheCall) {
    std::vector<Change> changes;
    auto group = AddGroup("G", changes);
    AddItems(*group);
    bool bInCall = true;
    std::vector<std::pair<std::int32_t, std::int32_t>> completed;  // client handle, error
    std::int32_t nTransaction = 0;
    group->AsyncWriteComplete = [&](std::int32_t TransactionID, std::int32_t NumItems,
                                    const auto& handles, const auto& errors) {
        EXPECT_FALSE(bInCall);
        nTransaction = TransactionID;
        for (std::int32_t i = 1; i <= NumItems; ++i) completed.emplace_back(handles(i), errors(i));
    };
    OPCArray<std::int32_t> errors;
    EXPECT_EQ(Write(*group, {m_Handles(1), 99999}, 3.5f, errors), S_FALSE);
    bInCall = false;
    ASSERT_EQ(errors.UBound(), 2);
    EXPECT_EQ(errors(1), S_OK);
    EXPECT_EQ(errors(2), OPC_E_INVALIDHANDLE);
    RunUntil([&] { return !completed.empty(); });
    EXPECT_EQ(nTransaction, 7);
    EXPECT_THAT(completed, ::testing::ElementsAre(std::pair{1, S_OK}));
}

TEST_P(ProviderContractTest, RemovedItemsAreNoLongerReported) {
    std::vector<Change> changes;
    auto group = AddGroup("G", changes);
    AddItems(*group);
    RunUntil([&] { return !changes.empty(); });
    std::shared_ptr<OPCItems> items;
    group->get_OPCItems(items);
    OPCArray<std::int32_t> removed;
    removed.Append(m_Handles(1));
    OPCArray<std::int32_t> errors;
    EXPECT_EQ(items->Remove(1, removed, errors), S_OK);
    EXPECT_EQ(items->Remove(1, removed, errors), S_FALSE);
    EXPECT_EQ(errors(1), OPC_E_INVALIDHANDLE);

    Write(*group, {m_Handles(1), m_Handles(3)}, 9.0f, errors);
    EXPECT_EQ(errors(1), OPC_E_INVALIDHANDLE);
    RunUntil([&] { return changes.size() > 1; });
    EXPECT_EQ(changes[1].values, (std::map<std::int32_t, double>{{3, 9.0}}));
}

std::vector<ProviderFactory> Providers() {
    std::vector<ProviderFactory> providers;
#ifdef TARNEL_PROVIDER_SIMULATION
    providers.push_back({"Simulation",
                         SimulationServer::kProgID,
                         {"Contract.A", "Contract.B"},
                         "Contract.Refused",
                         [](asio::io_context& io, const std::string& strFolder) -> ProviderRun {
                             TempFolder::Write(
                                 strFolder + "/Simulation.csv",
                                 "Seconds,Item,Action,Value,Quality,Low,High,Step,Seed\n"
                                 "0,Contract.A,value,1\n0,Contract.B,value,2\n"
                                 ",Contract.Refused,refuse\n");
                             return {std::make_shared<SimulationServer>(
                                         io, SimulationServer::Settings{strFolder, strFolder}),
                                     std::nullopt, nullptr};
                         }});
#endif
#ifdef TARNEL_PROVIDER_MQTT
    // The plant publishes the first values retained; a write comes back as a message.
    providers.push_back(
        {"MQTT",
         MqttServer::kProgID,
         {"contract/a", "contract/b"},
         "contract/+",
         [](asio::io_context& io, const std::string& strFolder) -> ProviderRun {
             auto broker = std::make_shared<MosquittoBroker>(strFolder);
             if (!broker->Start()) return {};
             for (const auto& [strTopic, strValue] :
                  {std::pair{"contract/a", "1"}, {"contract/b", "2"}}) {
                 MqttPublish(broker->Endpoint(), strTopic, strValue, {"-r", "-q", "1"});
             }
             const std::string strIni = strFolder + "/TarnelSvc.ini";
             TempFolder::Write(strIni, "[Tarnel.MQTT]\nStateTopic=\n");
             return {std::make_shared<MqttServer>(io, MqttServer::Settings{strIni, strFolder}),
                     "127.0.0.1:" + std::to_string(broker->Port()), broker};
         }});
#endif
#ifdef TARNEL_PROVIDER_MODBUS
    // A pymodbus device holds the first values; a write is read back by the next poll.
    providers.push_back(
        {"Modbus",
         ModbusServer::kProgID,
         {"1/holding/0/float32", "1/holding/2/float32"},
         "1/coil/0/float32",
         [](asio::io_context& io, const std::string& strFolder) -> ProviderRun {
             auto device = std::make_shared<ModbusDeviceProcess>(
                 strFolder,
                 R"({"1": [{"table": "holding", "address": 0, "type": "float32", "value": 1},
                                      {"table": "holding", "address": 2, "type": "float32", "value": 2}]})");
             if (!device->Start()) return {};
             const std::string strIni = strFolder + "/TarnelSvc.ini";
             TempFolder::Write(strIni, "[Tarnel.Modbus]\nResponseTimeoutMilliseconds=5000\n");
             return {std::make_shared<ModbusServer>(io, ModbusServer::Settings{strIni}),
                     device->Node(), device};
         }});
#endif
    return providers;
}

INSTANTIATE_TEST_SUITE_P(Providers, ProviderContractTest, ::testing::ValuesIn(Providers()),
                         [](const auto& info) { return info.param.strName; });

}  // namespace
}  // namespace tarnel
