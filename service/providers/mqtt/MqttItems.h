#pragma once
#include <memory>

#include "service/providers/ProviderItems.h"

namespace tarnel {

class MqttTopics;

// The item collection of one MQTT group: each item is a topic, subscribed
// while the item exists. Topics that cannot be subscribed to exactly are refused.
class MqttItems : public ProviderItems {
public:
    MqttItems(ProviderClock clock, std::shared_ptr<MqttTopics> topics);

protected:
    HRESULT Accept(const std::string& strName, std::int32_t nClientHandle, bool bActive,
                   ProviderTime added, std::unique_ptr<ProviderItem>& item) override;

private:
    std::shared_ptr<MqttTopics> m_Topics;
};

}  // namespace tarnel
