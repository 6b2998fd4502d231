#include "service/providers/simulation/SimulationItems.h"

namespace tarnel {

SimulationItems::SimulationItems(std::shared_ptr<const SimulationScenario> scenario,
                                 SimulationClock clock)
    : m_Scenario(std::move(scenario)), m_Clock(std::move(clock)) {}

HRESULT SimulationItems::put_DefaultIsActive(bool bActive) {
    m_bDefaultIsActive = bActive;
    return S_OK;
}

HRESULT SimulationItems::AddItems(std::int32_t NumItems, const OPCArray<std::string>& ItemIDs,
                                  const OPCArray<std::int32_t>& ClientHandles,
                                  OPCArray<std::int32_t>& ServerHandles,
                                  OPCArray<std::int32_t>& Errors) {
    if (NumItems < 0 || ItemIDs.UBound() < NumItems || ClientHandles.UBound() < NumItems) {
        return E_INVALIDARG;
    }
    const SimulationTime now = m_Clock();
    if (NumItems > 0 && !m_FirstAdded) m_FirstAdded = now;
    ServerHandles = OPCArray<std::int32_t>(NumItems);
    Errors = OPCArray<std::int32_t>(NumItems);
    HRESULT hr = S_OK;
    for (std::int32_t i = 1; i <= NumItems; ++i) {
        Errors(i) = Refusal(ItemIDs(i));
        if (Errors(i) != S_OK) {
            hr = S_FALSE;
            continue;
        }
        ServerHandles(i) = ++m_nLastHandle;
        m_Items.emplace(m_nLastHandle,
                        SimulationItem(ItemIDs(i), ClientHandles(i), m_bDefaultIsActive,
                                       m_Scenario->Script(ItemIDs(i)), now));
    }
    return hr;
}

HRESULT SimulationItems::Remove(std::int32_t NumItems, const OPCArray<std::int32_t>& ServerHandles,
                                OPCArray<std::int32_t>& Errors) {
    if (NumItems < 0 || ServerHandles.UBound() < NumItems) return E_INVALIDARG;
    Errors = OPCArray<std::int32_t>(NumItems);
    HRESULT hr = S_OK;
    for (std::int32_t i = 1; i <= NumItems; ++i) {
        if (m_Items.erase(ServerHandles(i)) == 0) {
            Errors(i) = OPC_E_INVALIDHANDLE;
            hr = S_FALSE;
        }
    }
    return hr;
}

SimulationItem* SimulationItems::Find(std::int32_t nServerHandle) {
    const auto found = m_Items.find(nServerHandle);
    return found == m_Items.end() ? nullptr : &found->second;
}

HRESULT SimulationItems::Refusal(const std::string& strName) const {
    if (strName.empty()) return OPC_E_INVALIDITEMID;
    const ItemScript* script = m_Scenario->Script(strName);
    return script != nullptr && script->refusal ? *script->refusal : S_OK;
}

}  // namespace tarnel
