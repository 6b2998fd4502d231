#pragma once
#include <memory>
#include <vector>

#include "service/automation/OPCGroups.h"
#include "service/providers/ProviderGroup.h"

namespace tarnel {

// A provider's group collection: names, the defaults for new groups, and
// removal. The provider makes its own group in MakeGroup.
class ProviderGroups : public OPCGroups {
public:
    ~ProviderGroups() override;

    HRESULT put_DefaultGroupIsActive(bool bActive) override;
    HRESULT put_DefaultGroupDeadband(float rPercent) override;
    HRESULT Add(const std::string& Name, std::shared_ptr<OPCGroup>& Group) override;
    HRESULT Remove(const std::string& Name) override;

    // The group of that name, or null.
    std::shared_ptr<ProviderGroup> Find(const std::string& strName) const;
    void RemoveAll();

protected:
    virtual std::shared_ptr<ProviderGroup> MakeGroup(ProviderGroup::Settings settings) = 0;

private:
    bool m_bDefaultIsActive = true;
    float m_rDefaultDeadband = 0.0f;
    std::int32_t m_nGroupsMade = 0;
    std::vector<std::shared_ptr<ProviderGroup>> m_Groups;
};

}  // namespace tarnel
