#include "service/providers/simulation/SimulationItems.h"

namespace tarnel {

SimulationItems::SimulationItems(std::shared_ptr<const SimulationScenario> scenario,
                                 SimulationClock clock)
    : ProviderItems(std::move(clock)), m_Scenario(std::move(scenario)) {}

HRESULT SimulationItems::Accept(const std::string& strName, std::int32_t nClientHandle,
                                bool bActive, ProviderTime added,
                                std::unique_ptr<ProviderItem>& item) {
    const ItemScript* script = m_Scenario->Script(strName);
    if (script != nullptr && script->refusal) return *script->refusal;
    item = std::make_unique<SimulationItem>(strName, nClientHandle, bActive, script, added);
    return S_OK;
}

}  // namespace tarnel
