#include <gtest/gtest.h>

#include <string>

#include "service/providers/mqtt/MqttErrors.h"
#include "service/providers/mqtt/MqttNode.h"
#include "service/providers/mqtt/MqttPayload.h"
#include "service/providers/mqtt/MqttTopic.h"

namespace tarnel {
namespace {

using namespace std::string_literals;

std::string Nested(int nLevels) {
    std::string strJson = R"({"value":1)";
    for (int i = 1; i < nLevels; ++i) strJson += R"(,"x":{"y":1)";
    return strJson + std::string(nLevels, '}');
}

TEST(MqttTopicTest, VerdictsInOrder) {
    const struct {
        std::string topic;
        HRESULT hr;
    } cases[] = {
        {"plant/PT101", S_OK},
        {"$SYS/broker/uptime", S_OK},
        {"plant/d\xC3\xA9"
         "bit",
         S_OK},
        {std::string(65535, 'a'), S_OK},
        {"", OPC_E_INVALIDITEMID},
        {"a\0b"s, MQTT_E_TOPIC_NUL},
        {"+\0"s + std::string(65535, 'a'), MQTT_E_TOPIC_NUL},
        {std::string(65536, 'a'), MQTT_E_TOPIC_TOO_LONG},
        {"#\xFF" + std::string(65535, 'a'), MQTT_E_TOPIC_TOO_LONG},
        {"a\xC0\xAF", MQTT_E_TOPIC_UTF8},      // overlong '/'
        {"a\xED\xA0\x80", MQTT_E_TOPIC_UTF8},  // surrogate
        {"a\xC3", MQTT_E_TOPIC_UTF8},          // cut short
        {"+/\xFF", MQTT_E_TOPIC_UTF8},
        {"plant/+/PT101", MQTT_E_TOPIC_WILDCARD},
        {"plant/#", MQTT_E_TOPIC_WILDCARD},
        {"a+b", MQTT_E_TOPIC_WILDCARD},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CheckTopic(c.topic), c.hr) << c.topic.substr(0, 20);
    }
}

TEST(MqttPayloadTest, Readings) {
    const std::string big(4097, '1');
    const struct {
        std::string payload;
        Variant value;
        std::int32_t nQuality;
    } cases[] = {
        {"12.5", 12.5, OPC_QUALITY_GOOD},
        {"12.5\r\n", 12.5, OPC_QUALITY_GOOD},
        {" -3e2 ", -300.0, OPC_QUALITY_GOOD},
        {"1e999", "1e999", OPC_QUALITY_GOOD},
        {"nan", "nan", OPC_QUALITY_GOOD},
        {"-inf", "-inf", OPC_QUALITY_GOOD},
        {"0x10", "0x10", OPC_QUALITY_GOOD},
        {" true ", true, OPC_QUALITY_GOOD},
        {"false", false, OPC_QUALITY_GOOD},
        {"True", "True", OPC_QUALITY_GOOD},
        {"", "", OPC_QUALITY_GOOD},
        {"  running ", "  running ", OPC_QUALITY_GOOD},
        {"line 1\r\n\tline 2", "line 1\r\n\tline 2", OPC_QUALITY_GOOD},
        {"d\xC3\xA9"
         "bit",
         "d\xC3\xA9"
         "bit",
         OPC_QUALITY_GOOD},
        {std::string(4096, '7'), std::string(4096, '7'), OPC_QUALITY_GOOD},
        {big, "payload too large (4097 bytes)", OPC_QUALITY_BAD},
        {"1\0"s, "binary payload (2 bytes)", OPC_QUALITY_BAD},
        {"\xC0\xAF", "binary payload (2 bytes)", OPC_QUALITY_BAD},
        {"\x01\x02\x03", "binary payload (3 bytes)", OPC_QUALITY_BAD},
        // JSON objects
        {R"({"value": 12.5, "quality": 192, "timestamp": "2024-01-01T00:00:00Z"})", 12.5, 192},
        {"{\n  \"value\": 7\n}\n", 7.0, OPC_QUALITY_GOOD},
        {R"({"value": true, "quality": 64})", true, 64},
        {R"({"value": "open", "quality": 0})", "open", 0},
        {R"({"value": 1, "quality": 256})", 1.0, OPC_QUALITY_BAD},
        {R"({"value": 1, "quality": -1})", 1.0, OPC_QUALITY_BAD},
        {R"({"value": 1, "quality": 192.0})", 1.0, OPC_QUALITY_BAD},
        {R"({"value": 1, "quality": "192"})", 1.0, OPC_QUALITY_BAD},
        {R"({"value": 1, "quality": 18446744073709551615})", 1.0, OPC_QUALITY_BAD},
        {R"({"value": 1e999})", R"({"value": 1e999})", OPC_QUALITY_GOOD},
        {R"({"value": null})", R"({"value": null})", OPC_QUALITY_GOOD},
        {R"({"value": [1]})", R"({"value": [1]})", OPC_QUALITY_GOOD},
        {R"({"value": {"v": 1}})", R"({"value": {"v": 1}})", OPC_QUALITY_GOOD},
        {R"({"quality": 192})", R"({"quality": 192})", OPC_QUALITY_GOOD},
        {R"({"value": 1,})", R"({"value": 1,})", OPC_QUALITY_GOOD},
        {R"({"value": 1} x)", R"({"value": 1} x)", OPC_QUALITY_GOOD},
        {R"([{"value": 1}])", R"([{"value": 1}])", OPC_QUALITY_GOOD},
        {Nested(8), 1.0, OPC_QUALITY_GOOD},
        {Nested(9), Nested(9), OPC_QUALITY_GOOD},
        {R"({"value": 2, "x": [[[[[[[[1]]]]]]]]})", R"({"value": 2, "x": [[[[[[[[1]]]]]]]]})",
         OPC_QUALITY_GOOD},
    };
    for (const auto& c : cases) {
        const MqttReading reading = ReadPayload(c.payload);
        EXPECT_EQ(reading.value, c.value) << c.payload.substr(0, 40);
        EXPECT_EQ(reading.nQuality, c.nQuality) << c.payload.substr(0, 40);
    }
}

TEST(MqttNodeTest, Brokers) {
    const MqttBroker unchanged{"kept", 1, true};
    const struct {
        std::optional<std::string> node;
        HRESULT hr;
        MqttBroker broker;
    } cases[] = {
        {std::nullopt, S_OK, {"localhost", 1883, false}},
        {"", S_OK, {"localhost", 1883, false}},
        {"broker.plant", S_OK, {"broker.plant", 1883, false}},
        {"10.0.0.5:1884", S_OK, {"10.0.0.5", 1884, false}},
        {"mqtt://broker", S_OK, {"broker", 1883, false}},
        {"MQTT://broker:65535/", S_OK, {"broker", 65535, false}},
        {"mqtts://broker", S_OK, {"broker", 8883, true}},
        {"MqttS://broker:1", S_OK, {"broker", 1, true}},
        {"[::1]:1883", S_OK, {"::1", 1883, false}},
        {"mqtt://[::1]", S_OK, {"::1", 1883, false}},
        {"mqtts://[fe80::1]:9000/", S_OK, {"fe80::1", 9000, true}},
        {"http://x", MQTT_E_BAD_NODE, unchanged},
        {"tcp://x:1883", MQTT_E_BAD_NODE, unchanged},
        {"mqtt://x/path", MQTT_E_BAD_NODE, unchanged},
        {"x//", MQTT_E_BAD_NODE, unchanged},
        {"a@b", MQTT_E_BAD_NODE, unchanged},
        {"mqtt://user:pw@b", MQTT_E_BAD_NODE, unchanged},
        {"a b", MQTT_E_BAD_NODE, unchanged},
        {" a", MQTT_E_BAD_NODE, unchanged},
        {"a\t", MQTT_E_BAD_NODE, unchanged},
        {"a\x7F", MQTT_E_BAD_NODE, unchanged},
        {":1883", MQTT_E_BAD_NODE, unchanged},
        {"mqtt://", MQTT_E_BAD_NODE, unchanged},
        {"mqtt:///", MQTT_E_BAD_NODE, unchanged},
        {"x:0", MQTT_E_BAD_NODE, unchanged},
        {"x:65536", MQTT_E_BAD_NODE, unchanged},
        {"x:99999999999999999999", MQTT_E_BAD_NODE, unchanged},
        {"x:+1", MQTT_E_BAD_NODE, unchanged},
        {"x:-1", MQTT_E_BAD_NODE, unchanged},
        {"x:12a", MQTT_E_BAD_NODE, unchanged},
        {"x:", MQTT_E_BAD_NODE, unchanged},
        {"::1", MQTT_E_BAD_NODE, unchanged},
        {"a:1:2", MQTT_E_BAD_NODE, unchanged},
        {"[::1", MQTT_E_BAD_NODE, unchanged},
        {"[]:1883", MQTT_E_BAD_NODE, unchanged},
        {"[broker]", MQTT_E_BAD_NODE, unchanged},
        {"[::1]1883", MQTT_E_BAD_NODE, unchanged},
        {"[::1]:", MQTT_E_BAD_NODE, unchanged},
        {"a]", MQTT_E_BAD_NODE, unchanged},
        {"broker?x=1", MQTT_E_BAD_NODE, unchanged},
    };
    for (const auto& c : cases) {
        MqttBroker broker = unchanged;
        EXPECT_EQ(ParseNode(c.node, broker), c.hr) << c.node.value_or("(none)");
        EXPECT_EQ(broker.strHost, c.broker.strHost) << c.node.value_or("(none)");
        EXPECT_EQ(broker.nPort, c.broker.nPort) << c.node.value_or("(none)");
        EXPECT_EQ(broker.bTls, c.broker.bTls) << c.node.value_or("(none)");
    }
}

}  // namespace
}  // namespace tarnel
