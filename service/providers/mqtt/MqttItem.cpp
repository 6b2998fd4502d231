#include "service/providers/mqtt/MqttItem.h"

#include "service/providers/mqtt/MqttPayload.h"
#include "service/providers/mqtt/MqttTopics.h"

namespace tarnel {

namespace {

// Bad, communication failure.
constexpr std::int32_t kCommFailure = 0x18;

}  // namespace

MqttItem::MqttItem(std::string strTopic, std::int32_t nClientHandle, bool bActive,
                   std::shared_ptr<MqttTopics> topics)
    : ProviderItem(std::move(strTopic), nClientHandle, bActive), m_Topics(std::move(topics)) {
    m_Topics->Add(*this);
}

MqttItem::~MqttItem() { m_Topics->Remove(*this); }

void MqttItem::Deliver(std::string_view payload) {
    // An empty retained message deletes the topic's value: the last one
    // stays, no longer good.
    if (payload.empty()) {
        SetQuality(OPC_QUALITY_BAD);
        return;
    }
    MqttReading reading = ReadPayload(payload);
    SetValue(std::move(reading.value));
    SetQuality(reading.nQuality);
}

void MqttItem::Lose() { SetQuality(kCommFailure); }

}  // namespace tarnel
