#include "service/providers/modbus/ModbusItems.h"

#include "service/base/ProgramModule.h"
#include "service/providers/modbus/ModbusErrors.h"
#include "service/providers/modbus/ModbusItem.h"

namespace tarnel {

namespace {

const char* Refusal(HRESULT hr) {
    switch (hr) {
        case MODBUS_E_BAD_UNIT:
            return "the unit is not from 0 to 247";
        case MODBUS_E_BAD_TABLE:
            return "the table is not coil, discrete, input or holding";
        case MODBUS_E_BAD_TYPE:
            return "the type is not bool, int16, uint16, int32, uint32, float32 or float64 "
                   "(with a scale other than 0)";
        case MODBUS_E_TYPE_TABLE:
            return "coils and discrete inputs hold bool values only, without scale or order";
        case MODBUS_E_BAD_ORDER:
            return "the word order is not ABCD, CDAB, BADC or DCBA";
        default:
            return "it is not <unit>/<table>/<address>/<type>[*<scale>][/<word order>] with "
                   "the value's registers within addresses 0 to 65535";
    }
}

}  // namespace

ModbusItem* ModbusItems::FindItem(std::int32_t nServerHandle) {
    return static_cast<ModbusItem*>(Find(nServerHandle));
}

HRESULT ModbusItems::Accept(const std::string& strName, std::int32_t nClientHandle, bool bActive,
                            ProviderTime, std::unique_ptr<ProviderItem>& item) {
    ModbusAddress address;
    const HRESULT hr = ParseAddress(strName, address);
    if (hr != S_OK) {
        // Only the start of a name that may be huge.
        LogMessage("Modbus: item " + strName.substr(0, 200) + " refused: " + Refusal(hr));
        return hr;
    }
    item = std::make_unique<ModbusItem>(strName, nClientHandle, bActive, address);
    return S_OK;
}

}  // namespace tarnel
