#pragma once
#include <string>

#include "com/HResult.h"

namespace tarnel {

// How the service reads its devices: the section "Tarnel.Modbus" of the
// service's INI file.
struct ModbusOptions {
    static constexpr const char* kSection = "Tarnel.Modbus";

    // How long one request (and a connection attempt) may wait for the device.
    int nResponseTimeoutMs = 1000;
    // The largest block one read asks for; the protocol allows 125 and 2,000.
    int nMaxRegisters = 125;
    int nMaxBits = 2000;
    // Unused addresses (registers or bits) one block read may bridge between
    // two items. Devices that refuse reads over unmapped addresses need 0.
    int nMaxGap = 0;

    // Reads the section of strIniFile. A value that is no whole number or out
    // of its range gives MODBUS_E_BAD_OPTION and the reason in strError.
    static HRESULT Read(const std::string& strIniFile, ModbusOptions& options,
                        std::string& strError);
};

}  // namespace tarnel
