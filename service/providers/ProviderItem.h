#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "service/automation/Variant.h"
#include "service/providers/ProviderClock.h"

namespace tarnel {

// An item's analog range, against which the group's deadband is measured.
struct ProviderRange {
    double dLow = 0.0;
    double dHigh = 0.0;
};

// One item of a provider's group: its current value and quality and what was
// last reported to the client. A provider derives its own item from it and
// delivers values with SetValue and SetQuality.
class ProviderItem {
public:
    ProviderItem(std::string strName, std::int32_t nClientHandle, bool bActive);
    virtual ~ProviderItem() = default;

    const std::string& Name() const { return m_strName; }
    std::int32_t ClientHandle() const { return m_nClientHandle; }
    bool IsActive() const { return m_bActive; }
    const Variant& Value() const { return m_Value; }
    std::int32_t Quality() const { return m_nQuality; }

    // Once per update period of the group, before the changes are gathered.
    virtual void Advance(ProviderTime) {}
    // True when the item has a value that differs from the last one reported by
    // at least the deadband (percent of the item's range); it then counts as reported.
    bool TakeChange(float rDeadband);

protected:
    void SetValue(Variant value) { m_Value = std::move(value); }
    void SetQuality(std::int32_t nQuality) { m_nQuality = nQuality; }
    // The item's range, if it has one; without one the deadband does not apply.
    virtual std::optional<ProviderRange> Range() const { return std::nullopt; }

private:
    bool WithinDeadband(float rDeadband) const;

    std::string m_strName;
    std::int32_t m_nClientHandle;
    bool m_bActive;

    Variant m_Value;
    std::int32_t m_nQuality = 0;
    bool m_bReported = false;
    Variant m_ReportedValue;
    std::int32_t m_nReportedQuality = 0;
};

}  // namespace tarnel
