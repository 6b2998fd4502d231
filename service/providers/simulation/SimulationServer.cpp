#include "service/providers/simulation/SimulationServer.h"

#include "service/base/ProgramModule.h"
#include "service/base/TextCase.h"
#include "service/providers/simulation/SimulationJournal.h"

namespace tarnel {

SimulationServer::SimulationServer(asio::io_context& io, Settings settings)
    : m_io(io), m_Settings(std::move(settings)) {}

SimulationServer::~SimulationServer() { Disconnect(); }

OPCProvider SimulationServer::Provider(asio::io_context& io) {
    return {kProgID, [&io]() -> std::shared_ptr<OPCServer> {
                return std::make_shared<SimulationServer>(
                    io, Settings{ConfigurationFolder(), StateFolder()});
            }};
}

HRESULT SimulationServer::GetOPCServers(std::vector<std::string>& ProgIDs) {
    ProgIDs = {kProgID};
    return S_OK;
}

HRESULT SimulationServer::Connect(const std::string& ProgID,
                                  const std::optional<std::string>& Node) {
    if (!SameText(ProgID, kProgID)) return CO_E_CLASSSTRING;
    if (Node && !Node->empty() && !SameText(*Node, "localhost")) {
        return HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE);
    }
    if (m_Groups) return E_UNEXPECTED;
    m_Scenario = std::make_shared<const SimulationScenario>(
        SimulationScenario::Load(m_Settings.strFolder + "/Simulation.csv"));
    m_nShutdownsRaised = 0;
    m_Groups = std::make_shared<SimulationGroups>(
        m_io, weak_from_this(), m_Scenario,
        std::make_shared<SimulationJournal>(m_Settings.strStateFolder + "/SimulationWrites.csv"),
        m_Settings.Clock);
    return S_OK;
}

HRESULT SimulationServer::get_OPCGroups(std::shared_ptr<OPCGroups>& Groups) {
    if (!m_Groups) return E_FAIL;
    Groups = m_Groups;
    return S_OK;
}

HRESULT SimulationServer::Disconnect() {
    if (m_Groups) m_Groups->RemoveAll();
    m_Groups.reset();
    return S_OK;
}

HRESULT SimulationServer::get_ServerState(std::int32_t& State) {
    if (!m_Groups) return E_FAIL;
    State = OPC_STATUS_RUNNING;
    return S_OK;
}

void SimulationServer::RaiseDueShutdowns(double dSeconds) {
    const auto& shutdowns = m_Scenario->Shutdowns();
    while (m_Groups && m_nShutdownsRaised < shutdowns.size() &&
           shutdowns[m_nShutdownsRaised].dSeconds <= dSeconds) {
        RaiseServerShutDown(shutdowns[m_nShutdownsRaised++].strReason);
    }
}

}  // namespace tarnel
