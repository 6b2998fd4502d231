#include "service/providers/mqtt/MqttNode.h"

#include <string_view>

#include "service/base/TextCase.h"
#include "service/providers/ProviderNode.h"
#include "service/providers/mqtt/MqttErrors.h"

namespace tarnel {

namespace {

constexpr int kTlsPort = 8883;

// Takes "mqtt://" or "mqtts://" off the front; false for any other scheme.
bool TakeScheme(std::string_view& text, MqttBroker& broker) {
    const auto mark = text.find("://");
    if (mark == std::string_view::npos) return true;
    const std::string strScheme(text.substr(0, mark));
    if (SameText(strScheme, "mqtts")) {
        broker.nPort = kTlsPort;
        broker.bTls = true;
    } else if (!SameText(strScheme, "mqtt")) {
        return false;
    }
    text.remove_prefix(mark + 3);
    return true;
}

}  // namespace

HRESULT ParseNode(const std::optional<std::string>& Node, MqttBroker& broker) {
    MqttBroker parsed{"localhost"};
    if (!Node || Node->empty()) {
        broker = parsed;
        return S_OK;
    }
    std::string_view text = *Node;
    // User info, queries and fragments have no meaning for a broker address.
    if (HasBlankOrControl(text) || text.find_first_of("@?#") != std::string_view::npos ||
        !TakeScheme(text, parsed)) {
        return MQTT_E_BAD_NODE;
    }
    if (text.ends_with('/')) text.remove_suffix(1);
    if (text.find('/') != std::string_view::npos ||
        !TakeHostPort(text, parsed.strHost, parsed.nPort)) {
        return MQTT_E_BAD_NODE;
    }
    broker = parsed;
    return S_OK;
}

}  // namespace tarnel
