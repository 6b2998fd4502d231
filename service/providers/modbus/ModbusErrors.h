#pragma once
#include "com/HResult.h"

namespace tarnel {

// Error codes of the Modbus provider. Connect and writes give the first group,
// AddItems the per-item codes of the second (OPC's severity and facility).
constexpr HRESULT MODBUS_E_DEVICE_UNREACHABLE = static_cast<HRESULT>(0x80040401u);
constexpr HRESULT MODBUS_E_BAD_NODE = static_cast<HRESULT>(0x80040402u);
constexpr HRESULT MODBUS_E_BAD_OPTION = static_cast<HRESULT>(0x80040403u);
constexpr HRESULT MODBUS_E_NOT_CONNECTED = static_cast<HRESULT>(0x80040404u);
constexpr HRESULT MODBUS_E_READ_ONLY = static_cast<HRESULT>(0x80040405u);
constexpr HRESULT MODBUS_E_VALUE_RANGE = static_cast<HRESULT>(0x80040406u);
constexpr HRESULT MODBUS_E_EXCEPTION = static_cast<HRESULT>(0x80040407u);
constexpr HRESULT MODBUS_E_NO_ANSWER = static_cast<HRESULT>(0x80040408u);

constexpr HRESULT MODBUS_E_BAD_ADDRESS = static_cast<HRESULT>(0xC0040410u);
constexpr HRESULT MODBUS_E_BAD_UNIT = static_cast<HRESULT>(0xC0040411u);
constexpr HRESULT MODBUS_E_BAD_TABLE = static_cast<HRESULT>(0xC0040412u);
constexpr HRESULT MODBUS_E_BAD_TYPE = static_cast<HRESULT>(0xC0040413u);
constexpr HRESULT MODBUS_E_TYPE_TABLE = static_cast<HRESULT>(0xC0040414u);
constexpr HRESULT MODBUS_E_BAD_ORDER = static_cast<HRESULT>(0xC0040415u);

}  // namespace tarnel
