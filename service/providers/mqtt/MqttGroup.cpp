#include "service/providers/mqtt/MqttGroup.h"

#include "service/providers/mqtt/MqttConnection.h"
#include "service/providers/mqtt/MqttTopics.h"

namespace tarnel {

MqttGroup::MqttGroup(asio::io_context& io, std::shared_ptr<ProviderItems> items,
                     std::shared_ptr<MqttTopics> topics, ProviderClock clock, Settings settings)
    : ProviderGroup(io, std::move(items), std::move(clock), std::move(settings)),
      m_Topics(std::move(topics)) {}

void MqttGroup::Write(ProviderItem& item, const Variant& value, WriteDone done) {
    // Plain number text, 9 significant digits, as plant systems read it.
    m_Topics->Connection().Publish(item.Name(), value.ToText(), std::move(done));
}

}  // namespace tarnel
