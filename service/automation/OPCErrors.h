#pragma once
#include "com/HResult.h"

namespace tarnel {

// Error codes of the automation layer, with the values a real OPC DA client sees.
constexpr HRESULT OPC_E_INVALIDHANDLE = static_cast<HRESULT>(0xC0040001u);
constexpr HRESULT OPC_E_UNKNOWNITEMID = static_cast<HRESULT>(0xC0040007u);
constexpr HRESULT OPC_E_INVALIDITEMID = static_cast<HRESULT>(0xC0040008u);
constexpr HRESULT OPC_E_DUPLICATENAME = static_cast<HRESULT>(0xC004000Cu);
// The machine named as node cannot be reached (as an HRESULT: 0x800706BA).
constexpr std::uint32_t RPC_S_SERVER_UNAVAILABLE = 1722;
constexpr HRESULT RPC_E_DISCONNECTED = static_cast<HRESULT>(0x80010108u);

// OPC DA server states (OPCSERVERSTATE).
constexpr std::int32_t OPC_STATUS_RUNNING = 1;
constexpr std::int32_t OPC_STATUS_FAILED = 2;
constexpr std::int32_t OPC_STATUS_COMM_FAULT = 6;

// OPC DA quality words.
constexpr std::int32_t OPC_QUALITY_BAD = 0x00;
constexpr std::int32_t OPC_QUALITY_GOOD = 0xC0;
constexpr std::int32_t OPC_QUALITY_MASK = 0xC0;

}  // namespace tarnel
