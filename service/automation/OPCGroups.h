#pragma once
#include <memory>
#include <string>

#include "service/automation/OPCErrors.h"

namespace tarnel {

class OPCGroup;

// The server's collection of groups; the defaults apply to groups added later.
class OPCGroups {
public:
    virtual ~OPCGroups() = default;

    virtual HRESULT put_DefaultGroupIsActive(bool bActive) = 0;
    // Percent of an analog item's range, 0 to 100.
    virtual HRESULT put_DefaultGroupDeadband(float rPercent) = 0;
    virtual HRESULT Add(const std::string& Name, std::shared_ptr<OPCGroup>& Group) = 0;
    virtual HRESULT Remove(const std::string& Name) = 0;
};

}  // namespace tarnel
