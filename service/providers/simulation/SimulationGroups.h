#pragma once
#include <asio/io_context.hpp>
#include <memory>
#include <vector>

#include "service/automation/OPCGroups.h"
#include "service/providers/simulation/SimulationGroup.h"

namespace tarnel {

class SimulationServer;

// The group collection of the simulation server.
class SimulationGroups : public OPCGroups {
public:
    SimulationGroups(asio::io_context& io, std::weak_ptr<SimulationServer> server,
                     std::shared_ptr<const SimulationScenario> scenario,
                     std::shared_ptr<SimulationJournal> journal, SimulationClock clock);
    ~SimulationGroups() override;

    HRESULT put_DefaultGroupIsActive(bool bActive) override;
    HRESULT put_DefaultGroupDeadband(float rPercent) override;
    HRESULT Add(const std::string& Name, std::shared_ptr<OPCGroup>& Group) override;
    HRESULT Remove(const std::string& Name) override;

    // The group of that name, or null.
    std::shared_ptr<SimulationGroup> Find(const std::string& strName) const;
    void RemoveAll();

private:
    asio::io_context& m_io;
    std::weak_ptr<SimulationServer> m_Server;
    std::shared_ptr<const SimulationScenario> m_Scenario;
    std::shared_ptr<SimulationJournal> m_Journal;
    SimulationClock m_Clock;
    bool m_bDefaultIsActive = true;
    float m_rDefaultDeadband = 0.0f;
    std::int32_t m_nGroupsMade = 0;
    std::vector<std::shared_ptr<SimulationGroup>> m_Groups;
};

}  // namespace tarnel
