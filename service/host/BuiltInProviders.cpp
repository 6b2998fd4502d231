#include "service/host/BuiltInProviders.h"

#ifdef TARNEL_PROVIDER_SIMULATION
#include "service/providers/simulation/SimulationServer.h"
#endif
#ifdef TARNEL_PROVIDER_MQTT
#include "service/providers/mqtt/MqttServer.h"
#endif
#ifdef TARNEL_PROVIDER_MODBUS
#include "service/providers/modbus/ModbusServer.h"
#endif

namespace tarnel {

// The one place that knows which providers exist: each built provider adds
// its line here.
std::vector<OPCProvider> BuiltInProviders(asio::io_context& io,
                                          [[maybe_unused]] const std::string& strIniFile) {
    std::vector<OPCProvider> providers;
#ifdef TARNEL_PROVIDER_SIMULATION
    providers.push_back(SimulationServer::Provider(io));
#endif
#ifdef TARNEL_PROVIDER_MQTT
    providers.push_back(MqttServer::Provider(io, strIniFile));
#endif
#ifdef TARNEL_PROVIDER_MODBUS
    providers.push_back(ModbusServer::Provider(io, strIniFile));
#endif
    return providers;
}

}  // namespace tarnel
