// The broker support against the real mosquitto, its clients and openssl.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <map>

#include "tests/support/MosquittoBroker.h"
#include "tests/support/MqttPublish.h"
#include "tests/support/MqttSubscription.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestCertificates.h"

namespace tarnel {
namespace {

class BrokerSupportTest : public ::testing::Test {
protected:
    std::string Dir() const { return folder.Path().string(); }

    TempFolder folder;
};

TEST_F(BrokerSupportTest, RetainedAndLiveMessagesReachTheSubscriber) {
    MosquittoBroker broker(Dir());
    ASSERT_TRUE(broker.Start());
    const auto plant = broker.Endpoint();
    const std::string bytes("\0\x01 z\n", 5);
    ASSERT_EQ(MqttPublish(plant, "plant/PT 1", "12.5", {"-r", "-q", "1"}).status, 0);
    ASSERT_EQ(MqttPublish(plant, "plant/raw", bytes, {"-r"}).status, 0);

    MqttSubscription sub(plant, "plant/#", {"-q", "1"});
    ASSERT_TRUE(sub.Subscribed());
    std::map<std::string, MqttMessage> retained;
    for (int i = 0; i < 2; ++i) {
        if (const auto m = sub.Next()) retained[m->topic] = *m;
    }
    EXPECT_EQ(retained["plant/PT 1"].payload, "12.5") << sub.Transcript();
    EXPECT_TRUE(retained["plant/PT 1"].retained);
    EXPECT_EQ(retained["plant/PT 1"].qos, 1);
    EXPECT_EQ(retained["plant/raw"].payload, bytes);
    EXPECT_TRUE(broker.WaitForLog("New client connected"));

    // Published after the acknowledgement, so it must arrive; a null message
    // clears the retained one.
    ASSERT_EQ(MqttPublish(plant, "plant/raw", "", {"-r"}).status, 0);
    const auto cleared = sub.Next();
    ASSERT_TRUE(cleared) << sub.Transcript();
    EXPECT_EQ(cleared->topic, "plant/raw");
    EXPECT_EQ(cleared->payload, "");
    MqttSubscription later(plant, "plant/#");
    ASSERT_TRUE(later.Subscribed());
    ASSERT_EQ(MqttPublish(plant, "plant/ZI-1", "0.99748").status, 0);
    const auto first = later.Next();
    ASSERT_TRUE(first) << later.Transcript();
    EXPECT_EQ(first->topic, "plant/PT 1");
    const auto live = later.Next();
    ASSERT_TRUE(live) << later.Transcript();
    EXPECT_EQ(live->topic, "plant/ZI-1");
    EXPECT_FALSE(live->retained);
}

TEST_F(BrokerSupportTest, TlsListenerTakesOnlyClientsOfItsCa) {
    TestCertificates certs(Dir());
    ASSERT_TRUE(certs.Make());
    MosquittoBroker broker(Dir(), {{}, {}, certs.ForBroker(true)});
    ASSERT_TRUE(broker.Start());
    const MqttEndpoint tls{broker.TlsPort(), {}, {}, certs.CaCert(), certs.ClientCert(),
                           certs.ClientKey()};
    MqttSubscription sub(tls, "plant/#");
    ASSERT_TRUE(sub.Subscribed());

    struct Case {
        const char* topic;
        std::string ca, cert, key;
        bool accepted;
    };
    const Case cases[] = {
        {"plant/own-ca", certs.CaCert(), certs.ClientCert(), certs.ClientKey(), true},
        {"plant/unrelated-ca", certs.OtherCaCert(), certs.ClientCert(), certs.ClientKey(), false},
        {"plant/no-client-certificate", certs.CaCert(), "", "", false},
    };
    for (const auto& c : cases) {
        const MqttEndpoint client{tls.port, {}, {}, c.ca, c.cert, c.key};
        const auto run = MqttPublish(client, c.topic, "1");
        EXPECT_EQ(run.status == 0, c.accepted) << c.topic << ": " << run.output;
    }
    EXPECT_TRUE(sub.NextOn("plant/own-ca")) << sub.Transcript();
    EXPECT_EQ(MqttPublish(broker.Endpoint(), "plant/plain", "1").status, 0);
}

TEST_F(BrokerSupportTest, KilledBrokerStartsAgainOnTheSamePort) {
    MosquittoBroker broker(Dir());
    ASSERT_TRUE(broker.Start());
    const int nPort = broker.Port();
    broker.Kill();
    EXPECT_FALSE(broker.Running());
    EXPECT_NE(MqttPublish(broker.Endpoint(), "plant/PT-1", "1").status, 0);
    {
        // Someone else on the port: the start fails and says why.
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(static_cast<uint16_t>(nPort));
        ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        ASSERT_EQ(listen(fd, 1), 0);
        const auto started = broker.Start();
        close(fd);
        EXPECT_FALSE(started);
        EXPECT_NE(std::string(started.message()).find("Address already in use"), std::string::npos)
            << started.message();
    }
    ASSERT_TRUE(broker.Start());
    EXPECT_EQ(broker.Port(), nPort);
    EXPECT_TRUE(broker.Running());
    EXPECT_EQ(MqttPublish(broker.Endpoint(), "plant/PT-1", "1").status, 0);
}

TEST_F(BrokerSupportTest, PasswordFileAdmitsOnlyItsUser) {
    const std::string strPasswords = folder.File("passwords");
    ASSERT_TRUE(MosquittoBroker::MakePasswordFile(strPasswords, "plant", "s3cret"));
    MosquittoBroker broker(Dir(), {strPasswords, {}, {}});
    ASSERT_TRUE(broker.Start());
    const std::tuple<std::string, std::string, bool> cases[] = {
        {"plant", "s3cret", true}, {"plant", "wrong", false}, {"", "", false}};
    for (const auto& [user, password, accepted] : cases) {
        const MqttEndpoint client{broker.Port(), user, password, {}, {}, {}};
        const auto run = MqttPublish(client, "plant/PT-1", "1");
        EXPECT_EQ(run.status == 0, accepted) << user << "/" << password << ": " << run.output;
    }
    const auto connected = broker.WaitForLog("New client connected");
    ASSERT_TRUE(connected) << broker.Log();
    EXPECT_NE(connected->find("u'plant'"), std::string::npos) << *connected;
}

}  // namespace
}  // namespace tarnel
