#pragma once
#include <asio/io_context.hpp>
#include <memory>
#include <string>

#include "service/automation/OPCProvider.h"
#include "service/automation/OPCServer.h"
#include "service/providers/simulation/SimulationClock.h"
#include "service/providers/simulation/SimulationGroups.h"

namespace tarnel {

// A built-in OPC server for tests and the demo. Connect reads the scenario
// Simulation.csv from the folder; writes are journaled to SimulationWrites.csv
// there. It answers only on the local machine.
class SimulationServer : public OPCServer, public std::enable_shared_from_this<SimulationServer> {
public:
    static constexpr const char* kProgID = "Tarnel.Simulation";

    struct Settings {
        // The scenario's folder, and the folder of the journal of writes.
        std::string strFolder;
        std::string strStateFolder;
        SimulationClock Clock = &std::chrono::steady_clock::now;
    };

    SimulationServer(asio::io_context& io, Settings settings);
    // The provider entry: servers on the scenario of the configuration folder,
    // events on io.
    static OPCProvider Provider(asio::io_context& io);
    ~SimulationServer() override;

    HRESULT GetOPCServers(std::vector<std::string>& ProgIDs) override;
    HRESULT Connect(const std::string& ProgID, const std::optional<std::string>& Node) override;
    HRESULT get_OPCGroups(std::shared_ptr<OPCGroups>& Groups) override;
    HRESULT Disconnect() override;
    HRESULT get_ServerState(std::int32_t& State) override;

    // The groups while connected, else null; for tests and benchmarks.
    std::shared_ptr<SimulationGroups> Groups() const { return m_Groups; }
    // Raises, once each, the scenario's shutdowns due dSeconds after the first
    // items were added.
    void RaiseDueShutdowns(double dSeconds);

private:
    asio::io_context& m_io;
    Settings m_Settings;
    std::shared_ptr<const SimulationScenario> m_Scenario;
    std::shared_ptr<SimulationGroups> m_Groups;
    std::size_t m_nShutdownsRaised = 0;
};

}  // namespace tarnel
