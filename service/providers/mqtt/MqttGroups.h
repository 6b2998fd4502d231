#pragma once
#include <asio/io_context.hpp>
#include <memory>

#include "service/providers/ProviderGroups.h"

namespace tarnel {

class MqttTopics;

// The group collection of the MQTT provider; all groups share one broker session.
class MqttGroups : public ProviderGroups {
public:
    MqttGroups(asio::io_context& io, std::shared_ptr<MqttTopics> topics, ProviderClock clock);

protected:
    std::shared_ptr<ProviderGroup> MakeGroup(ProviderGroup::Settings settings) override;

private:
    asio::io_context& m_io;
    std::shared_ptr<MqttTopics> m_Topics;
    ProviderClock m_Clock;
};

}  // namespace tarnel
