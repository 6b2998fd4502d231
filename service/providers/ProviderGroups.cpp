#include "service/providers/ProviderGroups.h"

#include <algorithm>

namespace tarnel {

ProviderGroups::~ProviderGroups() { RemoveAll(); }

HRESULT ProviderGroups::put_DefaultGroupIsActive(bool bActive) {
    m_bDefaultIsActive = bActive;
    return S_OK;
}

HRESULT ProviderGroups::put_DefaultGroupDeadband(float rPercent) {
    if (!(rPercent >= 0.0f && rPercent <= 100.0f)) return E_INVALIDARG;
    m_rDefaultDeadband = rPercent;
    return S_OK;
}

HRESULT ProviderGroups::Add(const std::string& Name, std::shared_ptr<OPCGroup>& Group) {
    // An unnamed group gets a name of the server's choosing.
    const std::string strName = Name.empty() ? "Group" + std::to_string(m_nGroupsMade + 1) : Name;
    if (Find(strName)) return OPC_E_DUPLICATENAME;
    auto group = MakeGroup({strName, m_bDefaultIsActive, m_rDefaultDeadband, 1000});
    group->Start();
    ++m_nGroupsMade;
    m_Groups.push_back(group);
    Group = std::move(group);
    return S_OK;
}

HRESULT ProviderGroups::Remove(const std::string& Name) {
    const auto found = std::find_if(m_Groups.begin(), m_Groups.end(),
                                    [&](const auto& group) { return group->Name() == Name; });
    if (found == m_Groups.end()) return E_INVALIDARG;
    (*found)->Stop();
    m_Groups.erase(found);
    return S_OK;
}

std::shared_ptr<ProviderGroup> ProviderGroups::Find(const std::string& strName) const {
    const auto found = std::find_if(m_Groups.begin(), m_Groups.end(),
                                    [&](const auto& group) { return group->Name() == strName; });
    return found == m_Groups.end() ? nullptr : *found;
}

void ProviderGroups::RemoveAll() {
    for (const auto& group : m_Groups) group->Stop();
    m_Groups.clear();
}

}  // namespace tarnel
