#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <string>

#include "service/providers/ProviderItem.h"
#include "service/providers/simulation/SimulationClock.h"
#include "service/providers/simulation/SimulationScenario.h"

namespace tarnel {

// One item of a simulated group: its progress through the scenario.
class SimulationItem : public ProviderItem {
public:
    // script may be null (an item the scenario does not mention); it must
    // outlive the item.
    SimulationItem(std::string strName, std::int32_t nClientHandle, bool bActive,
                   const ItemScript* script, SimulationTime added);

    // Applies every scripted step due by now and walks a wandering value on.
    void Advance(SimulationTime now) override;
    // A client's write: the value with good quality; it ends a wander.
    void Write(const Variant& value);

protected:
    std::optional<ProviderRange> Range() const override;

private:
    void Apply(const ScenarioStep& step);
    void Walk(double dElapsed);

    const ItemScript* m_Script;
    SimulationTime m_Added;
    std::size_t m_nNextStep = 0;

    std::optional<ScenarioWander> m_Wander;
    double m_dWanderStart = 0.0;
    std::int64_t m_nWalkSteps = 0;
    // Only wandering items get a generator: its 5 kB state per item would
    // otherwise dominate the memory of a plant-sized item list.
    std::unique_ptr<std::mt19937> m_Random;
};

}  // namespace tarnel
