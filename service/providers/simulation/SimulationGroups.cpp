#include "service/providers/simulation/SimulationGroups.h"

#include <algorithm>

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

SimulationGroups::~SimulationGroups() { RemoveAll(); }

HRESULT SimulationGroups::put_DefaultGroupIsActive(bool bActive) {
    m_bDefaultIsActive = bActive;
    return S_OK;
}

HRESULT SimulationGroups::put_DefaultGroupDeadband(float rPercent) {
    if (!(rPercent >= 0.0f && rPercent <= 100.0f)) return E_INVALIDARG;
    m_rDefaultDeadband = rPercent;
    return S_OK;
}

HRESULT SimulationGroups::Add(const std::string& Name, std::shared_ptr<OPCGroup>& Group) {
    // An unnamed group gets a name of the server's choosing.
    const std::string strName = Name.empty() ? "Group" + std::to_string(m_nGroupsMade + 1) : Name;
    if (Find(strName)) return OPC_E_DUPLICATENAME;
    auto group = std::make_shared<SimulationGroup>(
        m_io, m_Server, std::make_shared<SimulationItems>(m_Scenario, m_Clock), m_Journal, m_Clock,
        SimulationGroup::Settings{strName, m_bDefaultIsActive, m_rDefaultDeadband, 1000});
    group->Start();
    ++m_nGroupsMade;
    m_Groups.push_back(group);
    Group = std::move(group);
    return S_OK;
}

HRESULT SimulationGroups::Remove(const std::string& Name) {
    const auto found = std::find_if(m_Groups.begin(), m_Groups.end(),
                                    [&](const auto& group) { return group->Name() == Name; });
    if (found == m_Groups.end()) return E_INVALIDARG;
    (*found)->Stop();
    m_Groups.erase(found);
    return S_OK;
}

std::shared_ptr<SimulationGroup> SimulationGroups::Find(const std::string& strName) const {
    const auto found = std::find_if(m_Groups.begin(), m_Groups.end(),
                                    [&](const auto& group) { return group->Name() == strName; });
    return found == m_Groups.end() ? nullptr : *found;
}

void SimulationGroups::RemoveAll() {
    for (const auto& group : m_Groups) group->Stop();
    m_Groups.clear();
}

}  // namespace tarnel
