#include "service/providers/simulation/SimulationGroups.h"

namespace tarnel {

SimulationGroups::SimulationGroups(asio::io_context& io, std::weak_ptr<SimulationServer> server,
                                   std::shared_ptr<const SimulationScenario> scenario,
                                   std::shared_ptr<SimulationJournal> journal,
                                   SimulationClock clock)
    : m_io(io),
      m_Server(std::move(server)),
      m_Scenario(std::move(scenario)),
      m_Journal(std::move(journal)),
      m_Clock(std::move(clock)) {}

std::shared_ptr<ProviderGroup> SimulationGroups::MakeGroup(ProviderGroup::Settings settings) {
    return std::make_shared<SimulationGroup>(
        m_io, m_Server, std::make_shared<SimulationItems>(m_Scenario, m_Clock), m_Journal, m_Clock,
        std::move(settings));
}

}  // namespace tarnel
