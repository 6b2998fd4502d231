// End-to-end: the real TarnelSvc on a real broker, the command-line clients
// playing the plant.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>

#include "HostTestSupport.h"
#include "service/base/Numeric.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/MosquittoBroker.h"
#include "tests/support/MqttPublish.h"
#include "tests/support/MqttSubscription.h"
#include "tests/support/WatchedFile.h"

namespace tarnel {
namespace {

using namespace std::chrono_literals;

// Three streams as examples/mqtt has them: every item a topic.
constexpr const char* kStreams =
    "Name,P,T,Z,Pc,Tc,Acentric,PUnit,TUnit,Status,Description\n"
    "NG,plant/NG/P,plant/NG/T,plant/NG/Z,45.99,190.56,0.011,barg,deg C,plant/NG/Status\n"
    "C3,plant/C3/P,plant/C3/T,plant/C3/Z,plant/C3/Pc,369.83,0.152,kPaA,deg C,plant/C3/Status\n"
    "N2,plant/N2/P,plant/N2/T,plant/N2/Z,492.3,227.2,0.037,psig,deg F,plant/N2/Status\n";

class TarnelSvcMqttTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_Broker.Start());
        m_Home.Write("Streams.csv", kStreams);
        m_Home.Write("TarnelSvc.ini",
                     "[Tarnel Service]\nStartupDelaySeconds=1\nTagDef=Streams.csv\n"
                     "OpcServer=Tarnel.MQTT\nNode=mqtt://127.0.0.1:" +
                         std::to_string(m_Broker.Port()) +
                         "\n[Tarnel.MQTT]\nStateTopic=plant/tarnel/state\nKeepAliveSeconds=5\n");
        for (const auto& [strTopic, strValue] : {std::pair{"plant/NG/P", "45.2"},
                                                 {"plant/NG/T", "21.5"},
                                                 {"plant/C3/P", "850"},
                                                 {"plant/C3/T", "120"},
                                                 {"plant/C3/Pc", R"({"value": 4248})"},
                                                 {"plant/N2/P", "85.3"},
                                                 {"plant/N2/T", "70"}}) {
            ASSERT_TRUE(Publish(strTopic, strValue));
        }
    }

    ::testing::AssertionResult Publish(const std::string& strTopic, const std::string& strPayload) {
        if (MqttPublish(m_Broker.Endpoint(), strTopic, strPayload, {"-r", "-q", "1"}).status == 0) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << "mosquitto_pub failed on " << strTopic;
    }

    std::unique_ptr<ChildProcess> StartService() {
        return std::make_unique<ChildProcess>(
            std::vector<std::string>{TARNELSVC_PATH, "-debug"},
            ChildProcess::Options{{}, ChildProcess::ToFile(m_Home.Path() + "/stdout.txt"), {}, {}});
    }

    // The next Z of the stream that is a number, as published.
    std::optional<double> NextZ(MqttSubscription& z) {
        const auto message = z.NextWhere(
            [](const MqttMessage& m) { return ParseNumber(m.payload).has_value(); }, 60s);
        return message ? ParseNumber(message->payload) : std::nullopt;
    }

    bool Logged(const std::string& strText) { return m_Log.WaitForLine(strText, 60s).has_value(); }

    test::TempHome m_Home;
    TempFolder m_BrokerFolder;
    MosquittoBroker m_Broker{m_BrokerFolder.Path().string()};
    WatchedFile m_Log{m_Home.Path() + "/TarnelService.log"};
};

TEST_F(TarnelSvcMqttTest, ValuesInZAndStatusOut) {
    MqttSubscription results(m_Broker.Endpoint(), "plant/+/+");
    ASSERT_TRUE(results.Subscribed());
    const auto service = StartService();
    std::map<std::string, std::string> published;
    while (published.size() < 6) {
        const auto message = results.NextWhere(
            [](const MqttMessage& m) {
                return m.topic.find("/Z") != std::string::npos ||
                       m.topic.find("/Status") != std::string::npos;
            },
            60s);
        ASSERT_TRUE(message) << m_Home.Read("TarnelService.log");
        published[message->topic] = message->payload;
    }
    for (const char* stream : {"NG", "C3", "N2"}) {
        EXPECT_EQ(published[std::string("plant/") + stream + "/Status"], "1") << stream;
        const auto z = ParseNumber(published[std::string("plant/") + stream + "/Z"]);
        ASSERT_TRUE(z) << stream;
        EXPECT_GT(*z, 0.5);
        EXPECT_LT(*z, 1.0);
    }

    // A new pressure gives a new Z.
    MqttSubscription z(m_Broker.Endpoint(), "plant/NG/Z");
    const auto before = NextZ(z);  // the retained one
    ASSERT_TRUE(Publish("plant/NG/P", "60"));
    const auto after = NextZ(z);
    ASSERT_TRUE(before && after);
    EXPECT_LT(*after, *before);
}

TEST_F(TarnelSvcMqttTest, BadPayloadsNeverStopTheService) {
    const auto service = StartService();
    ASSERT_TRUE(Logged("MQTT: connected"));
    MqttSubscription status(m_Broker.Endpoint(), "plant/NG/Status");
    ASSERT_TRUE(status.NextWhere([](const auto& m) { return m.payload == "1"; }, 60s));
    const std::string strDeep = std::string(1500, '[') + std::string(1500, ']');
    for (const std::string& strPayload :
         {std::string(100000, '9'), std::string("\x00\xFF\xFE binary", 10),
          "{\"value\": " + strDeep + "}", strDeep, std::string("NaN"),
          std::string("{\"value\": 1, \"quality\": 1e999}"),
          std::string(R"({"value": 50, "quality": 0})")}) {
        ASSERT_TRUE(Publish("plant/NG/P", strPayload));
    }
    // A bad quality last: the stream reports -2, and a good value brings it back.
    EXPECT_TRUE(status.NextWhere([](const auto& m) { return m.payload == "-2"; }, 60s));
    ASSERT_TRUE(Publish("plant/NG/P", "45.2"));
    EXPECT_TRUE(status.NextWhere([](const auto& m) { return m.payload == "1"; }, 60s));
    EXPECT_TRUE(service->Running());
}

TEST_F(TarnelSvcMqttTest, ABrokerRestartNeedsNoServiceRestart) {
    const auto service = StartService();
    ASSERT_TRUE(Logged("MQTT: connected"));
    {
        MqttSubscription status(m_Broker.Endpoint(), "plant/C3/Status");
        ASSERT_TRUE(status.NextWhere([](const auto& m) { return m.payload == "1"; }, 60s));
    }
    m_Broker.Kill();
    ASSERT_TRUE(Logged("lost"));
    ASSERT_TRUE(m_Broker.Start());
    ASSERT_TRUE(Logged("restored"));
    // The broker kept nothing: the plant publishes again, the service answers.
    MqttSubscription status(m_Broker.Endpoint(), "plant/C3/Status");
    ASSERT_TRUE(Publish("plant/C3/P", "850"));
    ASSERT_TRUE(Publish("plant/C3/T", "121"));
    ASSERT_TRUE(Publish("plant/C3/Pc", "4248"));
    EXPECT_TRUE(status.NextWhere([](const auto& m) { return m.payload == "1"; }, 60s));
    EXPECT_TRUE(service->Running());
}

TEST_F(TarnelSvcMqttTest, TheBrokerSaysOfflineWhenTheServiceDies) {
    MqttSubscription state(m_Broker.Endpoint(), "plant/tarnel/state");
    ASSERT_TRUE(state.Subscribed());
    const auto service = StartService();
    ASSERT_TRUE(state.NextWhere([](const auto& m) { return m.payload == "online"; }, 60s));
    service->Kill();
    const auto message = state.Next(60s);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->payload, "offline");
}

TEST_F(TarnelSvcMqttTest, NoBrokerIsLoggedAndTheServiceRuns) {
    m_Broker.Kill();
    const auto service = StartService();
    EXPECT_TRUE(Logged("MQTT: cannot connect to the broker at 127.0.0.1:"));
    EXPECT_TRUE(Logged("Connect: Error 0x80040301, -2147220735"));
    EXPECT_TRUE(service->Running());
}

}  // namespace
}  // namespace tarnel
