// The texts the Modbus provider takes from outside: an item address and a
// Node. A refused address leaves the item alone; an accepted one fits the
// table's 65,536 addresses, and its registers give back a value, whatever
// they hold.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "service/providers/modbus/ModbusErrors.h"
#include "service/providers/modbus/ModbusNode.h"
#include "service/providers/modbus/ModbusValue.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    tarnel::ModbusAddress address;
    address.nUnit = 300;
    const HRESULT hr = tarnel::ParseAddress(text, address);
    if (hr != S_OK) {
        if (address.nUnit != 300) std::abort();
    } else {
        if (address.nUnit < 0 || address.nUnit > 247) std::abort();
        if (address.nAddress + address.Width() > 0x10000) std::abort();
        const std::uint16_t words[4] = {0xFFFF, 0x7FC0, 0x0001, 0x8000};
        const tarnel::Variant value = tarnel::DecodeValue(address, words);
        std::vector<std::uint16_t> encoded;
        if (value.IsEmpty() ||
            (tarnel::EncodeValue(address, value, encoded) == S_OK &&
             encoded.size() !=
                 (address.IsBitTable() ? 1u : static_cast<std::size_t>(address.Width())))) {
            std::abort();
        }
    }
    tarnel::ModbusEndpoint endpoint{"kept", 7};
    const HRESULT hrNode = tarnel::ParseNode(text, endpoint);
    if (hrNode == tarnel::MODBUS_E_BAD_NODE) {
        if (endpoint.strHost != "kept" || endpoint.nPort != 7) std::abort();
    } else if (hrNode != S_OK || endpoint.strHost.empty() || endpoint.nPort < 1 ||
               endpoint.nPort > 65535) {
        std::abort();
    }
    return 0;
}
