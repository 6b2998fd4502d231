#pragma once
#include <memory>

#include "service/providers/ProviderItems.h"
#include "service/providers/simulation/SimulationItem.h"
#include "service/providers/simulation/SimulationScenario.h"

namespace tarnel {

// The item collection of one simulated group. It accepts every name except an
// empty one and those the scenario refuses.
class SimulationItems : public ProviderItems {
public:
    SimulationItems(std::shared_ptr<const SimulationScenario> scenario, SimulationClock clock);

protected:
    HRESULT Accept(const std::string& strName, std::int32_t nClientHandle, bool bActive,
                   ProviderTime added, std::unique_ptr<ProviderItem>& item) override;

private:
    std::shared_ptr<const SimulationScenario> m_Scenario;
};

}  // namespace tarnel
