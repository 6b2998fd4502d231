#pragma once
#include <map>
#include <memory>
#include <optional>

#include "service/automation/OPCItems.h"
#include "service/providers/simulation/SimulationClock.h"
#include "service/providers/simulation/SimulationItem.h"
#include "service/providers/simulation/SimulationScenario.h"

namespace tarnel {

// The item collection of one simulated group. It accepts every name except an
// empty one and those the scenario refuses.
class SimulationItems : public OPCItems {
public:
    SimulationItems(std::shared_ptr<const SimulationScenario> scenario, SimulationClock clock);

    HRESULT put_DefaultIsActive(bool bActive) override;
    HRESULT AddItems(std::int32_t NumItems, const OPCArray<std::string>& ItemIDs,
                     const OPCArray<std::int32_t>& ClientHandles,
                     OPCArray<std::int32_t>& ServerHandles,
                     OPCArray<std::int32_t>& Errors) override;
    HRESULT Remove(std::int32_t NumItems, const OPCArray<std::int32_t>& ServerHandles,
                   OPCArray<std::int32_t>& Errors) override;

    // The item with that server handle, or null.
    SimulationItem* Find(std::int32_t nServerHandle);
    // By server handle, so in the order the items were added.
    std::map<std::int32_t, SimulationItem>& Items() { return m_Items; }
    // When the first items were added: the origin of the scenario's shutdowns.
    std::optional<SimulationTime> FirstAdded() const { return m_FirstAdded; }

private:
    HRESULT Refusal(const std::string& strName) const;

    std::shared_ptr<const SimulationScenario> m_Scenario;
    SimulationClock m_Clock;
    bool m_bDefaultIsActive = true;
    std::int32_t m_nLastHandle = 0;
    std::map<std::int32_t, SimulationItem> m_Items;
    std::optional<SimulationTime> m_FirstAdded;
};

}  // namespace tarnel
