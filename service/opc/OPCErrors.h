#pragma once
#include "com/HResult.h"

namespace tarnel {

// Error codes of the automation layer, with the values a real OPC DA client sees.
constexpr HRESULT OPC_E_INVALIDHANDLE = static_cast<HRESULT>(0xC0040001u);
constexpr HRESULT OPC_E_BADTYPE = static_cast<HRESULT>(0xC0040004u);
constexpr HRESULT OPC_E_UNKNOWNITEMID = static_cast<HRESULT>(0xC0040007u);
constexpr HRESULT OPC_E_INVALIDITEMID = static_cast<HRESULT>(0xC0040008u);
constexpr HRESULT OPC_E_DUPLICATENAME = static_cast<HRESULT>(0xC004000Cu);
constexpr HRESULT CO_E_CLASSSTRING = static_cast<HRESULT>(0x800401F3u);
// RPC_S_SERVER_UNAVAILABLE as an HRESULT: the machine named as node cannot be reached.
constexpr HRESULT HRESULT_RPC_S_SERVER_UNAVAILABLE = static_cast<HRESULT>(0x800706BAu);
constexpr HRESULT RPC_E_DISCONNECTED = static_cast<HRESULT>(0x80010108u);
constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
constexpr HRESULT DISP_E_OVERFLOW = static_cast<HRESULT>(0x8002000Au);

// OPC DA quality words.
constexpr std::int32_t OPC_QUALITY_BAD = 0x00;
constexpr std::int32_t OPC_QUALITY_GOOD = 0xC0;
constexpr std::int32_t OPC_QUALITY_MASK = 0xC0;

}  // namespace tarnel
