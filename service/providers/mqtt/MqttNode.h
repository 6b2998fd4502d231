#pragma once
#include <optional>
#include <string>

#include "com/HResult.h"

namespace tarnel {

// Where the broker of a connection is: host (an IPv6 address without its
// brackets), port and whether the connection uses TLS.
struct MqttBroker {
    std::string strHost;
    int nPort = 1883;
    bool bTls = false;
};

// The broker a Node names: none or empty is localhost; else host, host:port,
// mqtt://host[:port] or mqtts://host[:port] (TLS, port 8883 unless given), an
// IPv6 address in brackets. Anything else gives MQTT_E_BAD_NODE and leaves
// broker as it was.
HRESULT ParseNode(const std::optional<std::string>& Node, MqttBroker& broker);

}  // namespace tarnel
