#include "service/providers/mqtt/MqttItems.h"

#include "service/base/ProgramModule.h"
#include "service/providers/mqtt/MqttErrors.h"
#include "service/providers/mqtt/MqttItem.h"
#include "service/providers/mqtt/MqttTopic.h"

namespace tarnel {

namespace {

const char* Refusal(HRESULT hr) {
    switch (hr) {
        case MQTT_E_TOPIC_WILDCARD:
            return "a wildcard names many topics";
        case MQTT_E_TOPIC_NUL:
            return "it holds a NUL character";
        case MQTT_E_TOPIC_UTF8:
            return "it is not valid UTF-8";
        case MQTT_E_TOPIC_TOO_LONG:
            return "it is longer than MQTT allows";
        default:
            return "it is no topic";
    }
}

}  // namespace

MqttItems::MqttItems(ProviderClock clock, std::shared_ptr<MqttTopics> topics)
    : ProviderItems(std::move(clock)), m_Topics(std::move(topics)) {}

HRESULT MqttItems::Accept(const std::string& strName, std::int32_t nClientHandle, bool bActive,
                          ProviderTime, std::unique_ptr<ProviderItem>& item) {
    const HRESULT hr = CheckTopic(strName);
    if (hr != S_OK) {
        // Only the start of a name that may be huge.
        LogMessage("MQTT: item " + strName.substr(0, 200) + " refused: " + Refusal(hr));
        return hr;
    }
    item = std::make_unique<MqttItem>(strName, nClientHandle, bActive, m_Topics);
    return S_OK;
}

}  // namespace tarnel
