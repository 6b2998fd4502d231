#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <string>

#include "service/providers/simulation/SimulationClock.h"
#include "service/providers/simulation/SimulationScenario.h"
#include "service/automation/Variant.h"

namespace tarnel {

// One item of a simulated group: its current value and quality, what was last
// reported to the client, and its progress through the scenario.
class SimulationItem {
public:
    // script may be null (an item the scenario does not mention); it must
    // outlive the item.
    SimulationItem(std::string strName, std::int32_t nClientHandle, bool bActive,
                   const ItemScript* script, SimulationTime added);

    const std::string& Name() const { return m_strName; }
    std::int32_t ClientHandle() const { return m_nClientHandle; }
    bool IsActive() const { return m_bActive; }
    const Variant& Value() const { return m_Value; }
    std::int32_t Quality() const { return m_nQuality; }

    // Applies every scripted step due by now and walks a wandering value on.
    void Advance(SimulationTime now);
    // A client's write: the value with good quality; it ends a wander.
    void Write(const Variant& value);
    // True when the item has a value that differs from the last one reported by
    // at least the deadband (percent of the item's range); it then counts as reported.
    bool TakeChange(float rDeadband);

private:
    void Apply(const ScenarioStep& step);
    void Walk(double dElapsed);
    bool WithinDeadband(float rDeadband) const;

    std::string m_strName;
    std::int32_t m_nClientHandle;
    bool m_bActive;
    const ItemScript* m_Script;
    SimulationTime m_Added;
    std::size_t m_nNextStep = 0;

    Variant m_Value;
    std::int32_t m_nQuality = 0;
    bool m_bReported = false;
    Variant m_ReportedValue;
    std::int32_t m_nReportedQuality = 0;

    std::optional<ScenarioWander> m_Wander;
    double m_dWanderStart = 0.0;
    std::int64_t m_nWalkSteps = 0;
    // Only wandering items get a generator: its 5 kB state per item would
    // otherwise dominate the memory of a plant-sized item list.
    std::unique_ptr<std::mt19937> m_Random;
};

}  // namespace tarnel
