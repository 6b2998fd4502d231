#pragma once
#include <cstdint>
#include <vector>

#include "service/automation/Variant.h"
#include "service/providers/modbus/ModbusAddress.h"

namespace tarnel {

// The value an item's registers (or bit) hold: data has address.Width()
// registers as they came off the wire, or one bit (0 or 1). Integers fitting
// 32 bits come as integers, uint32 as a double, float32 as a single, float64
// and every scaled value as a double.
Variant DecodeValue(const ModbusAddress& address, const std::uint16_t* data);

// The registers (or the one bit) that write value to the item, in wire order.
// A value that is no number gives its conversion error; one outside the
// item's type (after the scale) gives MODBUS_E_VALUE_RANGE.
HRESULT EncodeValue(const ModbusAddress& address, const Variant& value,
                    std::vector<std::uint16_t>& data);

}  // namespace tarnel
