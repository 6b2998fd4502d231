#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "service/opc/OpcClient.h"
#include "tests/service/opc/FakeOPCLayer.h"
#include "tests/support/ProgramHomeTest.h"
#include "tests/support/SingleValue.h"

namespace tarnel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using test::Single;

class OpcClientTest : public ProgramHomeTest {
protected:
    // Connects to "Fake.Server" and subscribes the names.
    void Subscribe(const std::vector<std::string>& names) {
        m_Client.Server("Fake.Server");
        ASSERT_TRUE(m_Client.Connect());
        m_Client.AddOPCItems(names);
    }

    FakeLayer m_Layer;
    OpcClient m_Client{FakeCreator(m_Layer)};
};

TEST_F(OpcClientTest, ConnectWithoutServerDoesNothing) {
    EXPECT_FALSE(m_Client.Connect());
    EXPECT_EQ(m_Layer.nServersMade, 0);
    EXPECT_EQ(m_Client.Status(), "");
    EXPECT_THAT(LogMessages(), IsEmpty());
}

TEST_F(OpcClientTest, LocalNodesConnectWithoutANode) {
    m_Client.Server("Fake.Server");
    for (const char* node : {"localhost", "LocalHost", "LOCALHOST", ""}) {
        m_Client.Node(node);
        EXPECT_TRUE(m_Client.Connect());
        EXPECT_EQ(m_Layer.calls.at(m_Layer.calls.size() - 2), "Connect(Fake.Server,-)") << node;
    }
    m_Client.Node("plant-07");
    EXPECT_TRUE(m_Client.Connect());
    EXPECT_EQ(m_Layer.calls.at(m_Layer.calls.size() - 2), "Connect(Fake.Server,plant-07)");
}

TEST_F(OpcClientTest, ConnectMakesTheGroupWithRateAndDeadband) {
    m_Client.UpdateRateSec(2);
    m_Client.DeadbandPercentage(99.5f);
    m_Client.Server("Fake.Server");
    EXPECT_TRUE(m_Client.Connect());
    EXPECT_EQ(m_Client.Status(), "Connected");
    EXPECT_THAT(m_Layer.calls, ElementsAre("Connect(Fake.Server,-)", "AddGroup(Group1)"));
    EXPECT_EQ(m_Layer.nUpdateRate, 2000);
    EXPECT_EQ(m_Layer.rDeadband, 99.5f);
    EXPECT_TRUE(m_Layer.bSubscribed);
}

TEST_F(OpcClientTest, SettingsAreKeptInRange) {
    m_Client.UpdateRateSec(0);
    EXPECT_EQ(m_Client.UpdateRateSec(), 1);
    m_Client.UpdateRateSec(5000);
    EXPECT_EQ(m_Client.UpdateRateSec(), 3600);
    m_Client.DeadbandPercentage(99.5f);
    for (float rRefused : {-1.0f, 100.0f, NAN}) {
        m_Client.DeadbandPercentage(rRefused);
        EXPECT_EQ(m_Client.DeadbandPercentage(), 99.5f);
    }
}

// A failure is one log line and the status, in the "Operation: Error 0xHEX, DEC" form.
struct FailureCase {
    const char* name;
    HRESULT FakeLayer::*code;
    HRESULT value;
    const char* status;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class ConnectFailureTest : public OpcClientTest,
                           public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ConnectFailureTest, IsReportedOnce) {
    m_Layer.*GetParam().code = GetParam().value;
    m_Client.Server("Fake.Server");
    const bool bConnected = m_Client.Connect();
    const bool bRefusedConnect = GetParam().code == &FakeLayer::connect;
    EXPECT_EQ(bConnected, !bRefusedConnect);
    EXPECT_EQ(m_Client.Status(), bRefusedConnect ? GetParam().status : "Connected");
    EXPECT_THAT(LogMessages(), ElementsAre(GetParam().status));
}

INSTANTIATE_TEST_SUITE_P(Steps, ConnectFailureTest,
                         ::testing::Values(FailureCase{"Connect", &FakeLayer::connect, E_FAIL,
                                                       "Connect: Error 0x80004005, -2147467259"},
                                           FailureCase{"Unreachable", &FakeLayer::connect,
                                                       static_cast<HRESULT>(0x800706BA),
                                                       "Connect: Error 0x800706BA, -2147023174"},
                                           FailureCase{"GroupRefused", &FakeLayer::addGroup, E_FAIL,
                                                       "Add Group: Error 0x80004005, -2147467259"},
                                           FailureCase{"NoGroups", &FakeLayer::getGroups,
                                                       E_OUTOFMEMORY,
                                                       "Add Group: Error 0x8007000E, -2147024882"}),
                         [](const auto& info) { return info.param.name; });

TEST_F(OpcClientTest, RefusedConnectHoldsNoServer) {
    m_Layer.connect = E_FAIL;
    m_Client.Server("Fake.Server");
    EXPECT_FALSE(m_Client.Connect());
    m_Layer.calls.clear();
    m_Client.Disconnect();
    EXPECT_THAT(m_Layer.calls, IsEmpty());
    EXPECT_EQ(m_Client.Status(), "Group Removed");
}

TEST_F(OpcClientTest, ExceptionFromTheLayerIsAFailure) {
    m_Layer.throwOnConnect = true;
    m_Client.Server("Fake.Server");
    EXPECT_FALSE(m_Client.Connect());
    EXPECT_EQ(m_Client.Status(), "Connect: Error 0x8000FFFF, -2147418113");
}

TEST_F(OpcClientTest, WithoutGroupItemsAreNotAdded) {
    m_Layer.addGroup = E_FAIL;
    Subscribe({"P1"});
    EXPECT_EQ(m_Client.Status(), "OPC Add Items: Error 0x5B,  91");
    EXPECT_EQ(LogMessages().back(), "OPC Add Items: Error 0x5B,  91");
}

TEST_F(OpcClientTest, DisconnectNeverConnectedIsHarmless) {
    m_Client.Disconnect();
    m_Client.Disconnect();
    EXPECT_EQ(m_Client.Status(), "Group Removed");
    EXPECT_EQ(m_Layer.nServersMade, 0);
    EXPECT_EQ(m_Client.DisableGroup(), E_POINTER);
}

TEST_F(OpcClientTest, DisconnectRemovesItemsGroupAndServer) {
    m_Layer.itemErrors = {0, OPC_E_UNKNOWNITEMID, 0};
    Subscribe({"P1", "T1", "Z1"});
    m_Layer.calls.clear();
    m_Client.Disconnect();
    EXPECT_THAT(m_Layer.calls, ElementsAre("RemoveItems", "RemoveGroup(Group1)", "Disconnect"));
    EXPECT_THAT(m_Layer.removedHandles, ElementsAre(101, 103));
    EXPECT_EQ(m_Client.Status(), "Disconnected");
}

TEST_F(OpcClientTest, FailuresWhileDisconnectingAreReported) {
    Subscribe({"P1"});
    m_Layer.removeItems = E_FAIL;
    m_Layer.removeGroup = E_INVALIDARG;
    m_Layer.disconnect = E_UNEXPECTED;
    m_Client.Disconnect();
    EXPECT_THAT(LogMessages(), ElementsAre("OPC Remove Items: Error 0x80004005, -2147467259",
                                           "Remove Group: Error 0x80070057, -2147024809",
                                           "Disconnect: Error 0x8000FFFF, -2147418113"));
}

TEST_F(OpcClientTest, DisableGroupSetsItInactive) {
    Subscribe({"P1"});
    m_Layer.bActive = true;
    EXPECT_EQ(m_Client.DisableGroup(), S_OK);
    EXPECT_FALSE(m_Layer.bActive);
}

TEST_F(OpcClientTest, ServerListIsTheLocalOne) {
    m_Client.Node("plant-07");
    EXPECT_THAT(m_Client.OPCServerList(), ElementsAre("Fake.One", "Fake.Two"));
    EXPECT_EQ(m_Client.Status(), "OK");
    m_Layer.getServers = E_FAIL;
    EXPECT_THAT(m_Client.OPCServerList(), IsEmpty());
    EXPECT_EQ(m_Client.Status(), "Get OPC Server List: Error 0x80004005, -2147467259");
}

TEST_F(OpcClientTest, ServerShutdownIsPassedOnOnce) {
    Subscribe({"P1"});
    std::vector<std::string> reasons;
    m_Client.ServerShutdown = [&](const std::string& Reason) { reasons.push_back(Reason); };
    const std::string strStatus = m_Client.Status();
    m_Layer.server->Shutdown("maintenance at 10:00");
    EXPECT_THAT(reasons, ElementsAre("maintenance at 10:00"));
    EXPECT_EQ(m_Client.Status(), strStatus);
}

TEST_F(OpcClientTest, ServerAliasLooksUpServerAndNode) {
    WriteFile("ServerAlias.ini",
              "[Plant]\nServer=Vendor.DA.1\nNode=plant-07\n[OnlyServer]\nServer=Vendor.DA.2\n");
    m_Client.Server("Kept.Server");
    m_Client.Node("kept-node");
    m_Client.ServerAlias("");
    EXPECT_EQ(m_Client.Server(), "Kept.Server");
    EXPECT_EQ(m_Client.Node(), "kept-node");

    m_Client.ServerAlias("plant");
    EXPECT_EQ(m_Client.ServerAlias(), "plant");
    EXPECT_EQ(m_Client.Server(), "Vendor.DA.1");
    EXPECT_EQ(m_Client.Node(), "plant-07");

    m_Client.ServerAlias("OnlyServer");
    EXPECT_EQ(m_Client.Server(), "Vendor.DA.2");
    EXPECT_EQ(m_Client.Node(), "localhost");

    m_Client.ServerAlias("Unknown");
    EXPECT_EQ(m_Client.ServerAlias(), "");
    EXPECT_EQ(m_Client.Server(), "");
    EXPECT_EQ(m_Client.Node(), "localhost");
}

TEST_F(OpcClientTest, ItemsGetHandlesFromOne) {
    m_Layer.itemErrors = {0, OPC_E_UNKNOWNITEMID, 0};
    Subscribe({"P1", "T1", "Z1"});
    EXPECT_EQ(m_Client.Status(), "Items Added");
    EXPECT_THAT(m_Layer.addedNames, ElementsAre("P1", "T1", "Z1"));
    // Before any change: empty values, quality 0; the refused item holds the marker.
    EXPECT_TRUE(m_Client.ItemValue(0).IsEmpty());
    EXPECT_EQ(m_Client.ItemQuality(0), 0);
    EXPECT_TRUE(std::isnan(Single(m_Client.ItemValue(1))));
    EXPECT_EQ(m_Client.ItemQuality(1), 0);

    m_Layer.group->Change({1, 3}, {Variant(45.5), Variant(0.9f)}, {0xC0, 0xC0});
    EXPECT_EQ(Single(m_Client.ItemValue(0)), 45.5f);
    EXPECT_EQ(Single(m_Client.ItemByTag("z1")), 0.9f);
    EXPECT_EQ(m_Client.QualityByTag("p1"), 0xC0);
}

TEST_F(OpcClientTest, RepeatedNamesRefuseTheList) {
    for (const auto& names : {std::vector<std::string>{"P1", "P1"}, {"P1", "p1"}}) {
        FakeLayer layer;
        OpcClient client(FakeCreator(layer));
        client.Server("Fake.Server");
        client.Connect();
        client.AddOPCItems(names);
        EXPECT_EQ(client.Status(), "OPC Add Items: Error 0x1C9,  457");
        EXPECT_THAT(layer.addedNames, IsEmpty());
    }
    // A name from an earlier call counts too.
    Subscribe({"P1"});
    m_Client.AddOPCItems({"T1", "P1"});
    EXPECT_EQ(m_Client.Status(), "OPC Add Items: Error 0x1C9,  457");
}

TEST_F(OpcClientTest, FailingAddItemsIsReported) {
    m_Layer.addItems = E_OUTOFMEMORY;
    Subscribe({"P1"});
    EXPECT_EQ(m_Client.Status(), "OPC Add Items: Error 0x8007000E, -2147024882");
    m_Layer.addItems = S_OK;
    m_Layer.getItems = E_FAIL;
    m_Client.AddOPCItems({"T1"});
    EXPECT_EQ(m_Client.Status(), "OPC Add Items: Error 0x80004005, -2147467259");
    EXPECT_EQ(LogMessages().size(), 2u);
}

TEST_F(OpcClientTest, LookupsOutsideTheListGiveTheirDefaults) {
    Subscribe({"P1", "T1"});
    for (std::int32_t nIndex : {-1, 2, 1000}) {
        EXPECT_EQ(Single(m_Client.ItemValue(nIndex)), -999.0f) << nIndex;
        EXPECT_EQ(m_Client.ItemQuality(nIndex), 0) << nIndex;
    }
    EXPECT_EQ(Single(m_Client.ItemByTag("never added")), -999.0f);
    EXPECT_EQ(m_Client.QualityByTag("never added"), 0);
}

// The quality class decides between value and marker; the word is kept as it came.
class QualityTest : public OpcClientTest,
                    public ::testing::WithParamInterface<std::pair<std::int32_t, bool>> {};

TEST_P(QualityTest, BadClassStoresTheMarker) {
    const auto [nQuality, bBad] = GetParam();
    Subscribe({"P1"});
    m_Layer.group->Change({1}, {Variant(12.5)}, {nQuality});
    EXPECT_EQ(m_Client.ItemQuality(0), nQuality);
    EXPECT_EQ(std::isnan(Single(m_Client.ItemValue(0))), bBad);
}

INSTANTIATE_TEST_SUITE_P(Classes, QualityTest,
                         ::testing::Values(std::pair{0x00, true}, std::pair{0x18, true},
                                           std::pair{0x40, false}, std::pair{0xC0, false},
                                           std::pair{0xD8, false}));

TEST_F(OpcClientTest, DataChangeIsRaisedOnceAfterStoring) {
    Subscribe({"P1", "T1"});
    int nEvents = 0;
    m_Client.DataChange = [&] {
        ++nEvents;
        EXPECT_EQ(Single(m_Client.ItemValue(1)), 300.0f);
    };
    m_Layer.group->Change({1, 2}, {Variant(1.0), Variant(300.0)}, {0xC0, 0xC0});
    EXPECT_EQ(nEvents, 1);
    m_Client.DataChange = [&] { ++nEvents; };
    m_Layer.group->Change({}, {}, {});
    EXPECT_EQ(nEvents, 2);
}

TEST_F(OpcClientTest, HandleOutsideTheTablesEndsTheChangeSilently) {
    Subscribe({"P1", "T1"});
    int nEvents = 0;
    m_Client.DataChange = [&] { ++nEvents; };
    m_Layer.group->Change({1, 0}, {Variant(7.0), Variant(8.0)}, {0xC0, 0xC0});
    m_Layer.group->Change({3}, {Variant(9.0)}, {0xC0});
    EXPECT_EQ(nEvents, 0);
    EXPECT_EQ(Single(m_Client.ItemValue(0)), 7.0f);  // stored before the bad handle
    EXPECT_THAT(LogMessages(), IsEmpty());
}

TEST_F(OpcClientTest, ArraysShorterThanTheCountEndTheChange) {
    Subscribe({"P1"});
    int nEvents = 0;
    m_Client.DataChange = [&] { ++nEvents; };
    OPCArray<std::int32_t> handles;
    handles.Append(1);
    m_Layer.group->ChangeCount(1, handles, OPCArray<Variant>(), OPCArray<std::int32_t>(1));
    EXPECT_EQ(nEvents, 0);
}

TEST_F(OpcClientTest, LargeChangesAreStoredWhole) {
    std::vector<std::string> names;
    for (int i = 0; i < 40000; ++i) names.push_back(std::to_string(i));
    Subscribe(names);
    OPCArray<std::int32_t> handles(40000);
    OPCArray<Variant> values(40000);
    OPCArray<std::int32_t> qualities(40000);
    for (std::int32_t i = 1; i <= 40000; ++i) {
        handles(i) = i;
        values(i) = Variant(static_cast<double>(i));
        qualities(i) = 0xC0;
    }
    int nEvents = 0;
    m_Client.DataChange = [&] { ++nEvents; };
    m_Layer.group->ChangeCount(40000, handles, values, qualities);
    EXPECT_EQ(nEvents, 1);
    EXPECT_EQ(Single(m_Client.ItemValue(39999)), 40000.0f);
}

TEST_F(OpcClientTest, FailingHandlerOfTheHostStaysInside) {
    Subscribe({"P1"});
    m_Client.DataChange = [] { throw std::runtime_error("text is no number"); };
    m_Client.ServerShutdown = [](const std::string&) { throw std::runtime_error("log full"); };
    EXPECT_NO_THROW(m_Layer.group->Change({1}, {Variant("abc")}, {0xC0}));
    EXPECT_NO_THROW(m_Layer.server->Shutdown("bye"));
}

TEST_F(OpcClientTest, WritesGoOutAsSingles) {
    m_Layer.itemErrors = {0, OPC_E_UNKNOWNITEMID};
    Subscribe({"Z1", "S1"});
    m_Client.ItemByTag("z1", Variant(1.23456789));
    m_Client.ItemValue(1, Variant(std::int32_t{3}));
    ASSERT_EQ(m_Layer.writes.size(), 2u);
    EXPECT_EQ(m_Layer.writes[0].nServerHandle, 101);
    EXPECT_EQ(m_Layer.writes[0].value, Variant(1.2345679f));
    EXPECT_EQ(m_Layer.writes[0].nTransactionID, 0);
    // The refused item goes out with handle 0, like any other.
    EXPECT_EQ(m_Layer.writes[1].nServerHandle, 0);
    EXPECT_EQ(m_Layer.writes[1].value, Variant(3.0f));
    EXPECT_EQ(m_Client.Status(), "OPC Async Write OK");
}

TEST_F(OpcClientTest, WritesThatCannotGoAreDroppedSilently) {
    Subscribe({"Z1"});
    const std::string strStatus = m_Client.Status();
    m_Client.ItemByTag("never added", Variant(1.0f));
    m_Client.ItemByTag("Z1", Variant("not a number"));
    m_Client.ItemByTag("Z1", Variant(1e300));
    m_Client.ItemValue(-1, Variant(1.0f));
    m_Client.ItemValue(1, Variant(1.0f));
    EXPECT_THAT(m_Layer.writes, IsEmpty());
    EXPECT_EQ(m_Client.Status(), strStatus);
    EXPECT_THAT(LogMessages(), IsEmpty());
}

TEST_F(OpcClientTest, FailedWritesAreReported) {
    Subscribe({"Z1"});
    m_Layer.asyncWrite = E_FAIL;
    m_Client.ItemByTag("Z1", Variant(1.0f));
    EXPECT_EQ(m_Client.Status(), "OPC Async Write: Error 0x80004005, -2147467259");
    m_Client.Disconnect();
    m_Client.ItemByTag("Z1", Variant(1.0f));
    EXPECT_EQ(m_Client.Status(), "OPC Async Write: Error 0x5B,  91");
    EXPECT_EQ(LogMessages().back(), "OPC Async Write: Error 0x5B,  91");
}

TEST_F(OpcClientTest, WritesTheServerCouldNotCompleteAreReportedOncePerRun) {
    Subscribe({"Z1"});
    for (const HRESULT hr : {S_OK, E_FAIL, E_FAIL, E_FAIL, S_OK, E_FAIL})
        m_Layer.group->Complete(hr);
    EXPECT_THAT(LogMessages(), ElementsAre("OPC Async Write: Error 0x80004005, -2147467259",
                                           "OPC Async Write: Error 0x80004005, -2147467259"));
    EXPECT_EQ(m_Client.Status(), "OPC Async Write: Error 0x80004005, -2147467259");
}

TEST_F(OpcClientTest, WritesAreCountedByOutcome) {
    Subscribe({"Z1"});
    for (const HRESULT hr : {S_OK, E_FAIL, S_OK}) m_Layer.group->Complete(hr);
    m_Layer.asyncWrite = E_FAIL;
    m_Client.ItemByTag("Z1", Variant(1.0f));
    EXPECT_EQ(m_Client.WritesOk(), 2u);
    EXPECT_EQ(m_Client.WritesFailed(), 2u);
}

TEST_F(OpcClientTest, ServerStateIsTheServersOrFailed) {
    EXPECT_EQ(m_Client.ServerState(), OPC_STATUS_FAILED);
    Subscribe({"Z1"});
    const std::tuple<HRESULT, std::int32_t, std::int32_t> cases[] = {
        {S_OK, OPC_STATUS_RUNNING, OPC_STATUS_RUNNING},
        {S_OK, OPC_STATUS_COMM_FAULT, OPC_STATUS_COMM_FAULT},
        {E_FAIL, OPC_STATUS_RUNNING, OPC_STATUS_FAILED}};
    for (const auto& [hr, nState, nExpected] : cases) {
        m_Layer.getState = hr;
        m_Layer.nState = nState;
        EXPECT_EQ(m_Client.ServerState(), nExpected) << nState;
    }
    m_Layer.getState = S_OK;
    m_Client.Disconnect();
    EXPECT_EQ(m_Client.ServerState(), OPC_STATUS_FAILED);
}

TEST_F(OpcClientTest, StaleNameAfterSmallerListIsOutsideTheTables) {
    Subscribe({"P1", "T1", "Z1"});
    m_Client.AddOPCItems({"S1"});
    EXPECT_EQ(Single(m_Client.ItemByTag("Z1")), -999.0f);
    m_Client.ItemByTag("Z1", Variant(1.0f));
    EXPECT_EQ(m_Client.Status(), "OPC Async Write: Error 0x9,  9");
}

TEST_F(OpcClientTest, ReleasedClientHearsNoMoreEvents) {
    auto client = std::make_unique<OpcClient>(FakeCreator(m_Layer));
    client->Server("Fake.Server");
    client->Connect();
    m_Layer.removeGroup = E_FAIL;  // the group stays with the server
    client.reset();
    EXPECT_FALSE(m_Layer.group->DataChange);
    EXPECT_FALSE(m_Layer.server->ServerShutDown);
}

}  // namespace
}  // namespace tarnel
