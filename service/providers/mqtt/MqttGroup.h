#pragma once
#include <memory>

#include "service/providers/ProviderGroup.h"

namespace tarnel {

class MqttTopics;

// An MQTT subscription group: a write publishes the value to the item's
// topic and completes when the broker acknowledged it.
class MqttGroup : public ProviderGroup {
public:
    MqttGroup(asio::io_context& io, std::shared_ptr<ProviderItems> items,
              std::shared_ptr<MqttTopics> topics, ProviderClock clock, Settings settings);

protected:
    void Write(ProviderItem& item, const Variant& value, WriteDone done) override;

private:
    std::shared_ptr<MqttTopics> m_Topics;
};

}  // namespace tarnel
