#pragma once
#include "service/providers/ProviderItems.h"

namespace tarnel {

class ModbusItem;

// The item collection of one Modbus group: each name is an address on the
// device; one that is not is refused with the code of what is wrong with it.
class ModbusItems : public ProviderItems {
public:
    using ProviderItems::ProviderItems;

    // The item with that server handle, or null.
    ModbusItem* FindItem(std::int32_t nServerHandle);

protected:
    HRESULT Accept(const std::string& strName, std::int32_t nClientHandle, bool bActive,
                   ProviderTime added, std::unique_ptr<ProviderItem>& item) override;
};

}  // namespace tarnel
