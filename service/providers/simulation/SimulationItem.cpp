#include "service/providers/simulation/SimulationItem.h"

#include <algorithm>
#include <cmath>

namespace tarnel {

namespace {

// Equal values: numbers by their value whatever their type (a client writes
// singles into items the scenario set as doubles), two NaNs counting as equal so
// that a NaN is reported once.
bool SameValue(const Variant& a, const Variant& b) {
    if (a == b) return true;
    double dA = 0.0;
    double dB = 0.0;
    return !a.IsText() && !b.IsText() && !a.IsEmpty() && !b.IsEmpty() &&
           SUCCEEDED(a.ToDouble(dA)) && SUCCEEDED(b.ToDouble(dB)) &&
           (dA == dB || (std::isnan(dA) && std::isnan(dB)));
}

}  // namespace

SimulationItem::SimulationItem(std::string strName, std::int32_t nClientHandle, bool bActive,
                               const ItemScript* script, SimulationTime added)
    : m_strName(std::move(strName)),
      m_nClientHandle(nClientHandle),
      m_bActive(bActive),
      m_Script(script),
      m_Added(added) {}

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
    m_nQuality = step.nQuality;
    if (!m_Wander) {
        m_Value = step.value;
        return;
    }
    // A wander starts from its own value, else from the current number, else
    // from the middle of its bounds.
    double dStart = (m_Wander->dLow + m_Wander->dHigh) / 2.0;
    if (!step.value.IsEmpty()) {
        step.value.ToDouble(dStart);
    } else if (!m_Value.IsEmpty() && !m_Value.IsText()) {
        m_Value.ToDouble(dStart);
    }
    m_Value = Variant(std::clamp(dStart, m_Wander->dLow, m_Wander->dHigh));
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
    m_Value.ToDouble(dValue);
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
    m_Value = Variant(dValue);
}

void SimulationItem::Write(const Variant& value) {
    m_Value = value;
    m_nQuality = OPC_QUALITY_GOOD;
    m_Wander.reset();
}

bool SimulationItem::TakeChange(float rDeadband) {
    if (m_Value.IsEmpty()) return false;
    if (m_bReported && m_nQuality == m_nReportedQuality && WithinDeadband(rDeadband)) return false;
    m_bReported = true;
    m_ReportedValue = m_Value;
    m_nReportedQuality = m_nQuality;
    return true;
}

bool SimulationItem::WithinDeadband(float rDeadband) const {
    if (SameValue(m_Value, m_ReportedValue)) return true;
    const auto& range = m_Script != nullptr ? m_Script->range : std::nullopt;
    if (!range || m_Value.IsText() || m_ReportedValue.IsText()) return false;
    double dNow = 0.0;
    double dBefore = 0.0;
    if (FAILED(m_Value.ToDouble(dNow)) || FAILED(m_ReportedValue.ToDouble(dBefore))) return false;
    return std::fabs(dNow - dBefore) < rDeadband / 100.0 * (range->dHigh - range->dLow);
}

}  // namespace tarnel
