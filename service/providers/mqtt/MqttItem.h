#pragma once
#include <memory>
#include <string_view>

#include "service/providers/ProviderItem.h"

namespace tarnel {

class MqttTopics;

// One item of an MQTT group: a topic, holding only the latest message, so a
// flood of messages costs no memory.
class MqttItem : public ProviderItem {
public:
    MqttItem(std::string strTopic, std::int32_t nClientHandle, bool bActive,
             std::shared_ptr<MqttTopics> topics);
    ~MqttItem() override;
    MqttItem(const MqttItem&) = delete;
    MqttItem& operator=(const MqttItem&) = delete;

    void Deliver(std::string_view payload);
    // The broker is lost: the last value stays, its quality turns bad.
    void Lose();

private:
    std::shared_ptr<MqttTopics> m_Topics;
};

}  // namespace tarnel
