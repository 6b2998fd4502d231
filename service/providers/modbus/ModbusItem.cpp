#include "service/providers/modbus/ModbusItem.h"

#include <limits>

#include "service/providers/modbus/ModbusValue.h"

namespace tarnel {

ModbusItem::ModbusItem(std::string strName, std::int32_t nClientHandle, bool bActive,
                       const ModbusAddress& address)
    : ProviderItem(std::move(strName), nClientHandle, bActive), m_Address(address) {}

void ModbusItem::Deliver(const std::uint16_t* data) {
    SetValue(DecodeValue(m_Address, data));
    SetQuality(OPC_QUALITY_GOOD);
}

void ModbusItem::Fail(std::int32_t nQuality) {
    // An item without a value is never reported; its bad quality must be.
    if (Value().IsEmpty()) SetValue(Variant(std::numeric_limits<double>::quiet_NaN()));
    SetQuality(nQuality);
}

}  // namespace tarnel
