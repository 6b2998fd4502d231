#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <asio/io_context.hpp>
#include <cmath>

#include "service/opc/OpcClient.h"
#include "service/providers/simulation/SimulationServer.h"
#include "tests/support/ProgramHomeTest.h"
#include "tests/support/SingleValue.h"

namespace tarnel {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::EndsWith;

using test::Single;

// The client on the built-in simulation server, driven by a real event loop
// with a one-second group update period.
class OpcClientSimulationTest : public ProgramHomeTest {
protected:
    void Scenario(const std::string& strRows) {
        WriteFile("Simulation.csv",
                  "Seconds,Item,Action,Value,Quality,Low,High,Step,Seed\n" + strRows);
    }
    // Runs the loop until done() holds; the deadline only guards against a hang.
    bool RunUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!done() && std::chrono::steady_clock::now() < deadline) {
            m_io.run_one_for(std::chrono::milliseconds(100));
        }
        return done();
    }

    asio::io_context m_io;
    OpcClient m_Client{{SimulationServer::Provider(m_io)}};
};

TEST_F(OpcClientSimulationTest, SubscribeChangeWriteDisconnect) {
    Scenario("0,PT-101,value,45.5\n0,TT-101,value,288.15,64\n,BAD-1,refuse\n");
    m_Client.Server("Tarnel.Simulation");
    ASSERT_TRUE(m_Client.Connect());
    int nChanges = 0;
    m_Client.DataChange = [&] { ++nChanges; };
    m_Client.AddOPCItems({"PT-101", "TT-101", "ZI-101", "BAD-1"});
    EXPECT_EQ(m_Client.Status(), "Items Added");
    ASSERT_TRUE(RunUntil([&] { return nChanges == 1; }));

    EXPECT_EQ(Single(m_Client.ItemValue(0)), 45.5f);
    EXPECT_EQ(Single(m_Client.ItemByTag("tt-101")), 288.15f);
    EXPECT_EQ(m_Client.QualityByTag("TT-101"), 0x40);
    EXPECT_TRUE(m_Client.ItemValue(2).IsEmpty());  // no value yet
    EXPECT_TRUE(std::isnan(Single(m_Client.ItemValue(3))));

    m_Client.ItemByTag("ZI-101", Variant(0.9123456789));
    EXPECT_EQ(m_Client.Status(), "OPC Async Write OK");
    ASSERT_TRUE(RunUntil([&] { return nChanges == 2; }));
    EXPECT_EQ(Single(m_Client.ItemByTag("ZI-101")), 0.912345679f);
    EXPECT_EQ(m_Client.ItemQuality(2), 0xC0);
    m_Client.ItemValue(3, Variant(1.0f));  // the refused item: journaled as refused
    EXPECT_THAT(Lines("SimulationWrites.csv"),
                ElementsAre("Time,Item,Value,Result", EndsWith(",ZI-101,0.912345707,OK"),
                            EndsWith(",,1,Refused")));

    m_Client.Disconnect();
    EXPECT_EQ(m_Client.Status(), "Disconnected");
    m_io.restart();
    m_io.run();  // returns at once: no timer is left
    EXPECT_EQ(nChanges, 2);
}

TEST_F(OpcClientSimulationTest, ShutdownRequestReachesTheHost) {
    Scenario("0,PT-101,value,1\n0,,shutdown,Server stopped by operator\n");
    m_Client.Server("Tarnel.Simulation");
    ASSERT_TRUE(m_Client.Connect());
    std::vector<std::string> reasons;
    // A host may let go of the server inside the event; the server object the
    // event came from is released under it.
    m_Client.ServerShutdown = [&](const std::string& Reason) {
        reasons.push_back(Reason);
        m_Client.Disconnect();
    };
    m_Client.AddOPCItems({"PT-101"});
    ASSERT_TRUE(RunUntil([&] { return !reasons.empty(); }));
    EXPECT_THAT(reasons, ElementsAre("Server stopped by operator"));
    EXPECT_EQ(m_Client.Status(), "Disconnected");
}

TEST_F(OpcClientSimulationTest, UnknownServerAndRemoteNodeAreRefused) {
    EXPECT_THAT(m_Client.OPCServerList(), Contains("Tarnel.Simulation"));
    m_Client.Server("Vendor.Unknown.1");
    EXPECT_FALSE(m_Client.Connect());
    EXPECT_EQ(m_Client.Status(), "Connect: Error 0x800401F3, -2147221005");
    m_Client.Server("Tarnel.Simulation");
    m_Client.Node("plant-07");
    EXPECT_FALSE(m_Client.Connect());
    EXPECT_EQ(m_Client.Status(), "Connect: Error 0x800706BA, -2147023174");
    EXPECT_EQ(LogMessages().size(), 2u);
}

}  // namespace
}  // namespace tarnel
