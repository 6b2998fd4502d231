#pragma once
#include <asio/io_context.hpp>
#include <memory>

#include "service/providers/ProviderGroups.h"
#include "service/providers/simulation/SimulationGroup.h"

namespace tarnel {

class SimulationServer;

// The group collection of the simulation server.
class SimulationGroups : public ProviderGroups {
public:
    SimulationGroups(asio::io_context& io, std::weak_ptr<SimulationServer> server,
                     std::shared_ptr<const SimulationScenario> scenario,
                     std::shared_ptr<SimulationJournal> journal, SimulationClock clock);

protected:
    std::shared_ptr<ProviderGroup> MakeGroup(ProviderGroup::Settings settings) override;

private:
    asio::io_context& m_io;
    std::weak_ptr<SimulationServer> m_Server;
    std::shared_ptr<const SimulationScenario> m_Scenario;
    std::shared_ptr<SimulationJournal> m_Journal;
    SimulationClock m_Clock;
};

}  // namespace tarnel
