#pragma once
#include <optional>
#include <string>

#include "com/HResult.h"

namespace tarnel {

// The device or gateway of a connection: host (an IPv6 address without its
// brackets) and TCP port.
struct ModbusEndpoint {
    std::string strHost;
    int nPort = 502;

    // "host:port" for log lines, an IPv6 address in brackets.
    std::string Text() const;
};

// The device a Node names: none or empty is localhost; else host, host:port,
// [IPv6 address] or [IPv6 address]:port. Anything else gives
// MODBUS_E_BAD_NODE and leaves endpoint as it was.
HRESULT ParseNode(const std::optional<std::string>& Node, ModbusEndpoint& endpoint);

}  // namespace tarnel
