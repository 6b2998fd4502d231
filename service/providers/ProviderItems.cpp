#include "service/providers/ProviderItems.h"

namespace tarnel {

ProviderItems::ProviderItems(ProviderClock clock) : m_Clock(std::move(clock)) {}

HRESULT ProviderItems::put_DefaultIsActive(bool bActive) {
    m_bDefaultIsActive = bActive;
    return S_OK;
}

HRESULT ProviderItems::AddItems(std::int32_t NumItems, const OPCArray<std::string>& ItemIDs,
                                const OPCArray<std::int32_t>& ClientHandles,
                                OPCArray<std::int32_t>& ServerHandles,
                                OPCArray<std::int32_t>& Errors) {
    if (NumItems < 0 || ItemIDs.UBound() < NumItems || ClientHandles.UBound() < NumItems) {
        return E_INVALIDARG;
    }
    const ProviderTime now = m_Clock();
    if (NumItems > 0 && !m_FirstAdded) m_FirstAdded = now;
    ServerHandles = OPCArray<std::int32_t>(NumItems);
    Errors = OPCArray<std::int32_t>(NumItems);
    HRESULT hr = S_OK;
    for (std::int32_t i = 1; i <= NumItems; ++i) {
        Errors(i) = AddItem(ItemIDs(i), ClientHandles(i), now, ServerHandles(i));
        if (Errors(i) != S_OK) hr = S_FALSE;
    }
    return hr;
}

HRESULT ProviderItems::AddItem(const std::string& strName, std::int32_t nClientHandle,
                               ProviderTime now, std::int32_t& nServerHandle) {
    if (strName.empty()) return OPC_E_INVALIDITEMID;
    std::unique_ptr<ProviderItem> item;
    const HRESULT hr = Accept(strName, nClientHandle, m_bDefaultIsActive, now, item);
    if (hr != S_OK) return hr;
    if (!item) return E_FAIL;
    nServerHandle = ++m_nLastHandle;
    m_Items.emplace(m_nLastHandle, std::move(item));
    return S_OK;
}

HRESULT ProviderItems::Remove(std::int32_t NumItems, const OPCArray<std::int32_t>& ServerHandles,
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

ProviderItem* ProviderItems::Find(std::int32_t nServerHandle) {
    const auto found = m_Items.find(nServerHandle);
    return found == m_Items.end() ? nullptr : found->second.get();
}

}  // namespace tarnel
