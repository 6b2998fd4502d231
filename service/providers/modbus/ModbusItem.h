#pragma once
#include <cstdint>

#include "service/providers/ProviderItem.h"
#include "service/providers/modbus/ModbusAddress.h"

namespace tarnel {

// One item of a Modbus group: a value at an address of the device.
class ModbusItem : public ProviderItem {
public:
    ModbusItem(std::string strName, std::int32_t nClientHandle, bool bActive,
               const ModbusAddress& address);

    const ModbusAddress& Address() const { return m_Address; }
    // The item's registers (or bit) as read.
    void Deliver(const std::uint16_t* data);
    // Not read: the last value stays, with the quality; an item never read has NaN.
    void Fail(std::int32_t nQuality);

private:
    ModbusAddress m_Address;
};

}  // namespace tarnel
