#include "service/providers/ProviderItem.h"

#include <cmath>

namespace tarnel {

namespace {

// Equal values: numbers by their value whatever their type (a client writes
// singles into items a provider set as doubles), two NaNs counting as equal so
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

ProviderItem::ProviderItem(std::string strName, std::int32_t nClientHandle, bool bActive)
    : m_strName(std::move(strName)), m_nClientHandle(nClientHandle), m_bActive(bActive) {}

bool ProviderItem::TakeChange(float rDeadband) {
    if (m_Value.IsEmpty()) return false;
    if (m_bReported && m_nQuality == m_nReportedQuality && WithinDeadband(rDeadband)) return false;
    m_bReported = true;
    m_ReportedValue = m_Value;
    m_nReportedQuality = m_nQuality;
    return true;
}

bool ProviderItem::WithinDeadband(float rDeadband) const {
    if (SameValue(m_Value, m_ReportedValue)) return true;
    const auto range = Range();
    if (!range || m_Value.IsText() || m_ReportedValue.IsText()) return false;
    double dNow = 0.0;
    double dBefore = 0.0;
    if (FAILED(m_Value.ToDouble(dNow)) || FAILED(m_ReportedValue.ToDouble(dBefore))) return false;
    return std::fabs(dNow - dBefore) < rDeadband / 100.0 * (range->dHigh - range->dLow);
}

}  // namespace tarnel
