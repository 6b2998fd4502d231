#pragma once
#include <map>
#include <memory>
#include <optional>

#include "service/automation/OPCItems.h"
#include "service/providers/ProviderItem.h"

namespace tarnel {

// The item collection of one provider group: handles, the active default and
// per-item refusals. The provider decides, in Accept, which names it takes and
// makes its own item for each.
class ProviderItems : public OPCItems {
public:
    explicit ProviderItems(ProviderClock clock);

    HRESULT put_DefaultIsActive(bool bActive) override;
    HRESULT AddItems(std::int32_t NumItems, const OPCArray<std::string>& ItemIDs,
                     const OPCArray<std::int32_t>& ClientHandles,
                     OPCArray<std::int32_t>& ServerHandles,
                     OPCArray<std::int32_t>& Errors) override;
    HRESULT Remove(std::int32_t NumItems, const OPCArray<std::int32_t>& ServerHandles,
                   OPCArray<std::int32_t>& Errors) override;

    // The item with that server handle, or null.
    ProviderItem* Find(std::int32_t nServerHandle);
    // By server handle, so in the order the items were added.
    std::map<std::int32_t, std::unique_ptr<ProviderItem>>& Items() { return m_Items; }
    // When the first items were added.
    std::optional<ProviderTime> FirstAdded() const { return m_FirstAdded; }

protected:
    // The per-item code for a non-empty name (S_OK: accepted, and item is then
    // the provider's item, added at time added).
    virtual HRESULT Accept(const std::string& strName, std::int32_t nClientHandle, bool bActive,
                           ProviderTime added, std::unique_ptr<ProviderItem>& item) = 0;

private:
    HRESULT AddItem(const std::string& strName, std::int32_t nClientHandle, ProviderTime now,
                    std::int32_t& nServerHandle);

    ProviderClock m_Clock;
    bool m_bDefaultIsActive = true;
    std::int32_t m_nLastHandle = 0;
    std::map<std::int32_t, std::unique_ptr<ProviderItem>> m_Items;
    std::optional<ProviderTime> m_FirstAdded;
};

}  // namespace tarnel
