// The texts the MQTT provider takes from outside: a message payload, a topic
// and a Node. A reading always has a value and a quality byte; a refused Node
// leaves the broker alone, an accepted one names a host and a port.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "service/providers/mqtt/MqttErrors.h"
#include "service/providers/mqtt/MqttNode.h"
#include "service/providers/mqtt/MqttPayload.h"
#include "service/providers/mqtt/MqttTopic.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const tarnel::MqttReading reading = tarnel::ReadPayload(text);
    if (reading.value.IsEmpty() || reading.nQuality < 0 || reading.nQuality > 255) std::abort();
    (void)tarnel::CheckTopic(text);
    tarnel::MqttBroker broker{"kept", 7, true};
    const HRESULT hr = tarnel::ParseNode(std::string(text), broker);
    if (hr == tarnel::MQTT_E_BAD_NODE) {
        if (broker.strHost != "kept" || broker.nPort != 7 || !broker.bTls) std::abort();
    } else if (hr != S_OK || broker.strHost.empty() || broker.nPort < 1 || broker.nPort > 65535) {
        std::abort();
    }
    return 0;
}
