#include "service/providers/mqtt/MqttGroups.h"

#include "service/providers/mqtt/MqttGroup.h"
#include "service/providers/mqtt/MqttItems.h"

namespace tarnel {

MqttGroups::MqttGroups(asio::io_context& io, std::shared_ptr<MqttTopics> topics,
                       ProviderClock clock)
    : m_io(io), m_Topics(std::move(topics)), m_Clock(std::move(clock)) {}

std::shared_ptr<ProviderGroup> MqttGroups::MakeGroup(ProviderGroup::Settings settings) {
    return std::make_shared<MqttGroup>(m_io, std::make_shared<MqttItems>(m_Clock, m_Topics),
                                       m_Topics, m_Clock, std::move(settings));
}

}  // namespace tarnel
