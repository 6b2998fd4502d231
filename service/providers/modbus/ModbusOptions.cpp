#include "service/providers/modbus/ModbusOptions.h"

#include <cmath>

#include "service/base/Numeric.h"
#include "service/config/IniReadWriter.h"
#include "service/providers/modbus/ModbusErrors.h"

namespace tarnel {

HRESULT ModbusOptions::Read(const std::string& strIniFile, ModbusOptions& options,
                            std::string& strError) {
    const IniReadWriter ini;
    const struct {
        const char* key;
        int nLow;
        int nHigh;
        int& nValue;
    } keys[] = {{"ResponseTimeoutMilliseconds", 10, 60000, options.nResponseTimeoutMs},
                {"MaxRegistersPerRead", 4, 125, options.nMaxRegisters},
                {"MaxBitsPerRead", 1, 2000, options.nMaxBits},
                {"MaxGap", 0, 124, options.nMaxGap}};
    for (const auto& key : keys) {
        const std::string strText =
            ini.GetProfile(kSection, key.key, std::to_string(key.nValue), strIniFile);
        const auto number = ParseNumber(strText);
        // The range first: a huge number does not fit an int.
        if (!number || *number < key.nLow || *number > key.nHigh ||
            *number != std::floor(*number)) {
            strError = std::string(key.key) + " must be a whole number from " +
                       std::to_string(key.nLow) + " to " + std::to_string(key.nHigh);
            return MODBUS_E_BAD_OPTION;
        }
        key.nValue = static_cast<int>(*number);
    }
    return S_OK;
}

}  // namespace tarnel
