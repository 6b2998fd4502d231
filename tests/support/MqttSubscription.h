#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/ChildProcess.h"
#include "tests/support/MqttEndpoint.h"

namespace tarnel {

struct MqttMessage {
    std::string topic;
    std::string payload;  // the bytes as published
    bool retained = false;
    int qos = 0;
};

// A mosquitto_sub on a topic (wildcards allowed) whose messages the test
// takes one by one. The constructor returns once the broker has acknowledged
// the subscription, so whatever is published afterwards arrives.
class MqttSubscription {
public:
    // Options are mosquitto_sub's own, such as "-q", "1".
    MqttSubscription(const MqttEndpoint& endpoint, const std::string& strTopic,
                     const std::vector<std::string>& options = {},
                     std::chrono::milliseconds limit = std::chrono::seconds(20));

    // Success once the broker granted the subscription; otherwise why not.
    const ::testing::AssertionResult& Subscribed() const { return m_Subscribed; }
    // The next message, or nothing when the limit passes first.
    std::optional<MqttMessage> Next(std::chrono::milliseconds limit = std::chrono::seconds(20));
    // The next message that satisfies the test, skipping the others.
    std::optional<MqttMessage> NextWhere(
        const std::function<bool(const MqttMessage&)>& wanted,
        std::chrono::milliseconds limit = std::chrono::seconds(20));
    // The next message on this topic.
    std::optional<MqttMessage> NextOn(const std::string& strTopic,
                                      std::chrono::milliseconds limit = std::chrono::seconds(20));
    // All mosquitto_sub printed, its debug lines included: for failure messages.
    const std::string& Transcript() const { return m_Process.Transcript(); }

private:
    ::testing::AssertionResult WaitForSubscribed(std::chrono::milliseconds limit);

    ChildProcess m_Process;
    ::testing::AssertionResult m_Subscribed;
};

}  // namespace tarnel
