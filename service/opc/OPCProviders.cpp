#include "service/opc/OPCProviders.h"

#include "service/host/ProgramModule.h"
#include "service/opc/SimulationServer.h"

namespace tarnel {

std::vector<OPCProvider> BuiltInProviders(asio::io_context& io) {
    return {{SimulationServer::kProgID, [&io]() -> std::shared_ptr<OPCServer> {
                 return std::make_shared<SimulationServer>(
                     io, SimulationServer::Settings{ProgramFolder()});
             }}};
}

}  // namespace tarnel
