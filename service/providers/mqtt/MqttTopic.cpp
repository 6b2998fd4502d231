#include "service/providers/mqtt/MqttTopic.h"

#include <mosquitto.h>

#include "service/automation/OPCErrors.h"
#include "service/providers/mqtt/MqttErrors.h"

namespace tarnel {

namespace {

// The longest topic an MQTT packet can carry (a 16-bit length).
constexpr std::size_t kMaxTopic = 65535;

}  // namespace

HRESULT CheckTopic(std::string_view strTopic) {
    if (strTopic.empty()) return OPC_E_INVALIDITEMID;
    if (strTopic.find('\0') != std::string_view::npos) return MQTT_E_TOPIC_NUL;
    if (strTopic.size() > kMaxTopic) return MQTT_E_TOPIC_TOO_LONG;
    // The broker's own rules: no overlong forms, surrogates or control characters.
    if (mosquitto_validate_utf8(strTopic.data(), static_cast<int>(strTopic.size())) !=
        MOSQ_ERR_SUCCESS) {
        return MQTT_E_TOPIC_UTF8;
    }
    if (mosquitto_pub_topic_check2(strTopic.data(), strTopic.size()) != MOSQ_ERR_SUCCESS) {
        return MQTT_E_TOPIC_WILDCARD;
    }
    return S_OK;
}

}  // namespace tarnel
