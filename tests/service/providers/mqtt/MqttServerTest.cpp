#include <gtest/gtest.h>

#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>
#include <chrono>
#include <functional>
#include <map>

#include "service/automation/OPCGroup.h"
#include "service/automation/OPCGroups.h"
#include "service/automation/OPCItems.h"
#include "service/providers/mqtt/MqttErrors.h"
#include "service/providers/mqtt/MqttServer.h"
#include "tests/support/GroupItems.h"
#include "tests/support/MosquittoBroker.h"
#include "tests/support/MqttPublish.h"
#include "tests/support/MqttSubscription.h"
#include "tests/support/ProgramHomeTest.h"
#include "tests/support/TestCertificates.h"

// The provider against a real broker, with the command-line clients as the plant.

namespace tarnel {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

using Reading = ItemReading;

class MqttServerTest : public ProgramHomeTest {
protected:
    void TearDown() override {
        m_Group.reset();
        if (m_Server) m_Server->Disconnect();
        ProgramHomeTest::TearDown();
    }

    std::string Node() const { return "127.0.0.1:" + std::to_string(m_Broker->Port()); }

    ::testing::AssertionResult StartBroker(BrokerOptions options = {}) {
        m_Broker = std::make_unique<MosquittoBroker>(m_BrokerFolder.Path().string(), options);
        return m_Broker->Start();
    }

    // A server reading its options from the section text.
    HRESULT Connect(const std::string& strNode, const std::string& strSection = "") {
        WriteFile("TarnelSvc.ini", "[Tarnel.MQTT]\nStateTopic=test/state\n" + strSection);
        m_Server = std::make_shared<MqttServer>(
            m_io, MqttServer::Settings{m_Home.File("TarnelSvc.ini"), m_Home.Path().string()});
        return m_Server->Connect(MqttServer::kProgID, strNode);
    }

    // A subscribed group of 50 ms whose changes are kept in m_Changes.
    void AddGroup() {
        m_Group = AddRecordingGroup(*m_Server, 50, m_Changes);
        ASSERT_NE(m_Group, nullptr);
        m_Group->AsyncWriteComplete = [this](std::int32_t, std::int32_t, const auto&,
                                             const auto& errors) {
            m_WriteResults.push_back(errors(1));
        };
    }

    std::vector<HRESULT> AddItems(const std::vector<std::string>& topics) {
        return AddGroupItems(*m_Group, topics, m_ServerHandles);
    }

    bool RunUntil(const std::function<bool()>& done, std::chrono::seconds limit = 30s) {
        return RunLoopUntil(m_io, done, limit);
    }

    // The next data change that holds the client handle, and its reading.
    std::optional<Reading> NextReading(std::int32_t nHandle) {
        std::optional<Reading> found;
        RunUntil([&] {
            for (; m_nSeen < m_Changes.size() && !found; ++m_nSeen) {
                if (m_Changes[m_nSeen].count(nHandle)) found = m_Changes[m_nSeen][nHandle];
            }
            return found.has_value();
        });
        return found;
    }

    // The next message of the subscription with that payload, the loop running meanwhile.
    bool AwaitMessage(MqttSubscription& subscription, const std::string& strPayload,
                      std::chrono::seconds limit = 30s) {
        return RunUntil(
            [&] {
                const auto message = subscription.Next(5ms);
                return message && message->payload == strPayload;
            },
            limit);
    }

    ::testing::AssertionResult Publish(const std::string& strTopic, const std::string& strPayload) {
        const auto outcome =
            MqttPublish(m_Broker->Endpoint(), strTopic, strPayload, {"-r", "-q", "1"});
        if (outcome.status == 0) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "mosquitto_pub failed on " << strTopic;
    }

    asio::io_context m_io;
    TempFolder m_BrokerFolder;
    std::unique_ptr<MosquittoBroker> m_Broker;
    std::shared_ptr<MqttServer> m_Server;
    std::shared_ptr<OPCGroup> m_Group;
    OPCArray<std::int32_t> m_ServerHandles;
    std::vector<ItemChange> m_Changes;
    std::size_t m_nSeen = 0;
    std::vector<HRESULT> m_WriteResults;
};

// ---- Connecting ---------------------------------------------------------------

struct ConnectCase {
    std::string strName;
    // What the broker asks for: "password", "tls" or nothing; "silent" is a
    // listener that takes the connection and never answers.
    std::string strBroker;
    // The node, with {port} and {tls} standing for the broker's ports.
    std::string strNode;
    // The INI section's keys; {ca} and {other-ca} name the test's CAs.
    std::string strSection;
    HRESULT hrExpected;
    std::string strLogged;
};

void PrintTo(const ConnectCase& c, std::ostream* os) { *os << c.strName; }

class MqttConnectTest : public MqttServerTest, public ::testing::WithParamInterface<ConnectCase> {
protected:
    std::string Fill(std::string strText) const {
        auto replace = [&](const std::string& strKey, const std::string& strValue) {
            for (auto at = strText.find(strKey); at != std::string::npos;
                 at = strText.find(strKey)) {
                strText.replace(at, strKey.size(), strValue);
            }
        };
        replace("{port}", std::to_string(m_Broker->Port()));
        replace("{tls}", std::to_string(m_Broker->TlsPort()));
        replace("{ca}", m_Certificates.CaCert());
        replace("{other-ca}", m_Certificates.OtherCaCert());
        replace("{silent}", std::to_string(m_Silent.local_endpoint().port()));
        return strText;
    }

    TestCertificates m_Certificates{m_BrokerFolder.File("")};
    asio::ip::tcp::acceptor m_Silent{m_io, {asio::ip::make_address("127.0.0.1"), 0}};
};

TEST_P(MqttConnectTest, AnswersWithItsOwnCodeAndLogLine) {
    const ConnectCase& c = GetParam();
    BrokerOptions options;
    if (c.strBroker == "password") {
        options.passwordFile = m_BrokerFolder.File("passwords");
        ASSERT_TRUE(MosquittoBroker::MakePasswordFile(options.passwordFile, "tarnel", "secret"));
    }
    if (c.strBroker == "tls") {
        ASSERT_TRUE(m_Certificates.Make());
        options.tls = m_Certificates.ForBroker();
    }
    ASSERT_TRUE(StartBroker(options));
    WriteFile("right-password", "secret\n");
    WriteFile("wrong-password", "guess\n");

    EXPECT_EQ(Connect(Fill(c.strNode), Fill(c.strSection)), c.hrExpected);
    const std::string strLog = ReadFile("TarnelService.log");
    EXPECT_NE(strLog.find(Fill(c.strLogged)), std::string::npos) << strLog;
    std::shared_ptr<OPCGroups> groups;
    EXPECT_EQ(m_Server->get_OPCGroups(groups) == S_OK, c.hrExpected == S_OK);
}

INSTANTIATE_TEST_SUITE_P(
    Brokers, MqttConnectTest,
    ::testing::Values(
        ConnectCase{"Plain", "", "mqtt://127.0.0.1:{port}", "", S_OK,
                    "MQTT: connected to the broker at 127.0.0.1:{port}"},
        ConnectCase{"NoBroker", "", "127.0.0.1:1", "", MQTT_E_BROKER_UNREACHABLE,
                    "MQTT: cannot connect to the broker at 127.0.0.1:1: Connection refused"},
        ConnectCase{"Silent", "", "127.0.0.1:{silent}", "", MQTT_E_NO_ANSWER,
                    "cannot connect to the broker at 127.0.0.1:{silent}: no answer within 5 s"},
        ConnectCase{"NoAddress", "", "http://127.0.0.1", "", MQTT_E_BAD_NODE,
                    "MQTT: the node http://127.0.0.1 is no broker address"},
        ConnectCase{"UserKnown", "password", "127.0.0.1:{port}",
                    "UserName=tarnel\nPasswordFile=right-password\n", S_OK, "connected"},
        ConnectCase{"PasswordRefused", "password", "127.0.0.1:{port}",
                    "UserName=tarnel\nPasswordFile=wrong-password\n", MQTT_E_NOT_AUTHORISED,
                    "cannot connect to the broker at 127.0.0.1:{port}: Connection Refused: not "
                    "authorised."},
        ConnectCase{"PasswordFileMissing", "", "127.0.0.1:{port}",
                    "UserName=tarnel\nPasswordFile=none\n", MQTT_E_BAD_OPTION, "cannot be read"},
        ConnectCase{"HugeQoS", "", "127.0.0.1:{port}", "QoS=1e300\n", MQTT_E_BAD_OPTION,
                    "QoS must be 0, 1 or 2"},
        ConnectCase{"BadKeepAlive", "", "127.0.0.1:{port}", "KeepAliveSeconds=1\n",
                    MQTT_E_BAD_OPTION, "KeepAliveSeconds must be a whole number from 5 to 3600"},
        ConnectCase{"TlsTrusted", "tls", "mqtts://localhost:{tls}", "CAFile={ca}\n", S_OK,
                    "MQTT: connected to the broker at localhost:{tls}"},
        ConnectCase{"TlsWrongCa", "tls", "mqtts://localhost:{tls}", "CAFile={other-ca}\n",
                    MQTT_E_TLS_FAILED,
                    "cannot connect to the broker at localhost:{tls}: A TLS error occurred."},
        ConnectCase{"PlainClientOnTlsPort", "tls", "localhost:{tls}", "", MQTT_E_BROKER_UNREACHABLE,
                    "cannot connect to the broker at localhost:{tls}"}),
    [](const auto& info) { return info.param.strName; });

// ---- Values in ------------------------------------------------------------------

TEST_F(MqttServerTest, RetainedMessagesGiveTheFirstValuesAndRefusedTopicsTheirCodes) {
    ASSERT_TRUE(StartBroker());
    ASSERT_TRUE(Publish("plant/P", "12.5"));
    ASSERT_TRUE(Publish("plant/T", R"({"value": -3e2, "quality": 64, "timestamp": "now"})"));
    ASSERT_TRUE(Publish("plant/Run", "true"));
    ASSERT_TRUE(Publish("plant/Text", "{not json"));
    ASSERT_EQ(Connect(Node()), S_OK);
    AddGroup();
    const std::string strLong(65536, 'a');
    EXPECT_EQ(AddItems({"plant/P", "plant/+", "plant/T", "plant/#", std::string("a\0b", 3),
                        "\xC3\x28", strLong, "plant/Run", "plant/Text"}),
              (std::vector<HRESULT>{S_OK, MQTT_E_TOPIC_WILDCARD, S_OK, MQTT_E_TOPIC_WILDCARD,
                                    MQTT_E_TOPIC_NUL, MQTT_E_TOPIC_UTF8, MQTT_E_TOPIC_TOO_LONG,
                                    S_OK, S_OK}));
    ASSERT_TRUE(RunUntil([&] { return !m_Changes.empty() && m_Changes.back().size() == 4; }));
    auto change = m_Changes.back();
    EXPECT_EQ(change[1].value, Variant(12.5));
    EXPECT_EQ(change[3].value, Variant(-300.0));
    EXPECT_EQ(change[3].nQuality, 64);
    EXPECT_EQ(change[8].value, Variant(true));
    EXPECT_EQ(change[9].value, Variant("{not json"));
    EXPECT_NE(ReadFile("TarnelService.log").find("MQTT: item plant/+ refused: a wildcard"),
              std::string::npos);

    // Later messages: only the latest counts, and only changed items are reported.
    m_nSeen = m_Changes.size();
    ASSERT_TRUE(Publish("plant/P", "13"));
    ASSERT_TRUE(Publish("plant/P", "14"));
    ASSERT_TRUE(RunUntil([&] {
        return m_Changes.size() > m_nSeen && m_Changes.back().count(1) &&
               m_Changes.back().at(1).value == Variant(14.0);
    }));
    EXPECT_EQ(m_Changes.back().size(), 1u);
}

// ---- Writes ---------------------------------------------------------------------

TEST_F(MqttServerTest, AWriteIsPublishedRetainedAndCompletesOnTheBrokersAck) {
    ASSERT_TRUE(StartBroker());
    ASSERT_EQ(Connect(Node()), S_OK);
    AddGroup();
    ASSERT_EQ(AddItems({"plant/Z"}), std::vector<HRESULT>{S_OK});

    OPCArray<Variant> values;
    values.Append(Variant(1.23456789f));
    OPCArray<std::int32_t> errors;
    std::int32_t nCancel = 0;
    ASSERT_EQ(m_Group->AsyncWrite(1, m_ServerHandles, values, errors, 0, nCancel), S_OK);
    ASSERT_TRUE(RunUntil([&] { return !m_WriteResults.empty(); }));
    EXPECT_EQ(m_WriteResults[0], S_OK);
    // Acknowledged means kept: a subscriber that comes later gets it as retained.
    MqttSubscription z(m_Broker->Endpoint(), "plant/Z");
    const auto message = z.Next();
    ASSERT_TRUE(message);
    EXPECT_EQ(message->payload, "1.23456788");
    EXPECT_TRUE(message->retained);

    m_Broker->Kill();
    ASSERT_TRUE(
        RunUntil([&] { return ReadFile("TarnelService.log").find("lost") != std::string::npos; }));
    ASSERT_EQ(m_Group->AsyncWrite(1, m_ServerHandles, values, errors, 0, nCancel), S_OK);
    ASSERT_TRUE(RunUntil([&] { return m_WriteResults.size() == 2; }));
    EXPECT_EQ(m_WriteResults[1], MQTT_E_NOT_CONNECTED);
}

// ---- Losing the broker ------------------------------------------------------------

TEST_F(MqttServerTest, ALostBrokerTurnsEveryItemBadAtOnceAndTheRestartBringsThemBack) {
    ASSERT_TRUE(StartBroker());
    ASSERT_TRUE(Publish("plant/P", "1"));
    ASSERT_TRUE(Publish("plant/T", "2"));
    ASSERT_EQ(Connect(Node()), S_OK);
    AddGroup();
    AddItems({"plant/P", "plant/T"});
    ASSERT_TRUE(RunUntil([&] { return !m_Changes.empty() && m_Changes.back().size() == 2; }));

    m_Broker->Kill();
    m_nSeen = m_Changes.size();
    const auto bad = NextReading(1);
    ASSERT_TRUE(bad);
    EXPECT_EQ(bad->nQuality & OPC_QUALITY_MASK, OPC_QUALITY_BAD);
    EXPECT_EQ(m_Changes[m_nSeen - 1].size(), 2u) << "both items in one change";
    EXPECT_EQ(bad->value, Variant(1.0)) << "the last value stays";
    std::int32_t nState = 0;
    EXPECT_EQ(m_Server->get_ServerState(nState), S_OK);
    EXPECT_EQ(nState, OPC_STATUS_COMM_FAULT) << "reconnecting";

    // The broker comes back empty (no persistence): the plant publishes again.
    ASSERT_TRUE(m_Broker->Start());
    MqttSubscription state(m_Broker->Endpoint(), "test/state");
    ASSERT_TRUE(state.Subscribed());
    ASSERT_TRUE(AwaitMessage(state, "online", 60s)) << "reconnected within the back-off";
    ASSERT_TRUE(Publish("plant/P", "5"));
    const auto good = NextReading(1);
    ASSERT_TRUE(good);
    EXPECT_EQ(good->value, Variant(5.0));
    EXPECT_EQ(good->nQuality, OPC_QUALITY_GOOD);
    EXPECT_EQ(m_Server->get_ServerState(nState), S_OK);
    EXPECT_EQ(nState, OPC_STATUS_RUNNING);
    const std::string strLog = ReadFile("TarnelService.log");
    EXPECT_NE(strLog.find("MQTT: connection to the broker at " + Node() + " lost"),
              std::string::npos);
    EXPECT_NE(strLog.find("MQTT: connection to the broker at " + Node() + " restored"),
              std::string::npos);
}

TEST_F(MqttServerTest, TheStateTopicSaysOnlineWhileConnectedAndOfflineAfter) {
    ASSERT_TRUE(StartBroker());
    MqttSubscription state(m_Broker->Endpoint(), "test/state");
    ASSERT_TRUE(state.Subscribed());
    ASSERT_EQ(Connect(Node()), S_OK);
    EXPECT_TRUE(AwaitMessage(state, "online"));
    m_Server->Disconnect();
    const auto message = state.Next();
    ASSERT_TRUE(message);
    EXPECT_EQ(message->payload, "offline");
}

}  // namespace
}  // namespace tarnel
