#include "service/providers/simulation/SimulationItem.h"

#include <algorithm>
#include <cmath>

namespace tarnel {

SimulationItem::SimulationItem(std::string strName, std::int32_t nClientHandle, bool bActive,
                               const ItemScript* script, SimulationTime added)
    : ProviderItem(std::move(strName), nClientHandle, bActive), m_Script(script), m_Added(added) {}

void SimulationItem::Advance(SimulationTime now) {
    if (m_Script == nullptr) return;
    const double dElapsed = std::chrono::duration<double>(now - m_Added).count();
    while (m_nNextStep < m_Script->steps.size() &&
           m_Script->steps[m_nNextStep].dSeconds <= dElapsed) {
        Apply(m_Script->steps[m_nNextStep++]);
    }
    if (m_Wander) Walk(dElapsed);
}

void SimulationItem::Apply(const ScenarioStep& step) {
    m_Wander = step.wander;
    SetQuality(step.nQuality);
    if (!m_Wander) {
        SetValue(step.value);
        return;
    }
    // A wander starts from its own value, else from the current number, else
    // from the middle of its bounds.
    double dStart = (m_Wander->dLow + m_Wander->dHigh) / 2.0;
    if (!step.value.IsEmpty()) {
        step.value.ToDouble(dStart);
    } else if (!Value().IsEmpty() && !Value().IsText()) {
        Value().ToDouble(dStart);
    }
    SetValue(Variant(std::clamp(dStart, m_Wander->dLow, m_Wander->dHigh)));
    m_dWanderStart = step.dSeconds;
    m_nWalkSteps = 0;
    m_Random = std::make_unique<std::mt19937>(m_Wander->nSeed);
}

// One step per whole second since the wander began, whatever the update
// period, so the same scenario gives the same values on every run.
void SimulationItem::Walk(double dElapsed) {
    const auto nDue = static_cast<std::int64_t>(std::floor(dElapsed - m_dWanderStart));
    if (nDue <= m_nWalkSteps) return;
    double dValue = 0.0;
    Value().ToDouble(dValue);
    const double dLow = m_Wander->dLow;
    const double dHigh = m_Wander->dHigh;
    for (; m_nWalkSteps < nDue; ++m_nWalkSteps) {
        const double dUnit = static_cast<double>((*m_Random)()) / 4294967296.0;
        dValue += (2.0 * dUnit - 1.0) * m_Wander->dStep;
        // Reflect at the bounds so the walk does not stick to them.
        if (dValue > dHigh) dValue = dHigh - (dValue - dHigh);
        if (dValue < dLow) dValue = dLow + (dLow - dValue);
        dValue = std::clamp(dValue, dLow, dHigh);
    }
    SetValue(Variant(dValue));
}

void SimulationItem::Write(const Variant& value) {
    SetValue(value);
    SetQuality(OPC_QUALITY_GOOD);
    m_Wander.reset();
}

std::optional<ProviderRange> SimulationItem::Range() const {
    return m_Script != nullptr ? m_Script->range : std::nullopt;
}

}  // namespace tarnel
