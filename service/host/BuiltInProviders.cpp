#include "service/host/BuiltInProviders.h"

#ifdef TARNEL_PROVIDER_SIMULATION
#include "service/providers/simulation/SimulationServer.h"
#endif

namespace tarnel {

// The one place that knows which providers exist: each built provider adds
// its line here.
std::vector<OPCProvider> BuiltInProviders(asio::io_context& io) {
    std::vector<OPCProvider> providers;
#ifdef TARNEL_PROVIDER_SIMULATION
    providers.push_back(SimulationServer::Provider(io));
#endif
    return providers;
}

}  // namespace tarnel
