#include "service/providers/modbus/ModbusNode.h"

#include <string_view>

#include "service/providers/ProviderNode.h"
#include "service/providers/modbus/ModbusErrors.h"

namespace tarnel {

std::string ModbusEndpoint::Text() const {
    std::string strText = strHost.find(':') == std::string::npos ? strHost : "[" + strHost + "]";
    strText += ':';
    strText += std::to_string(nPort);
    return strText;
}

HRESULT ParseNode(const std::optional<std::string>& Node, ModbusEndpoint& endpoint) {
    ModbusEndpoint parsed{"localhost"};
    if (!Node || Node->empty()) {
        endpoint = parsed;
        return S_OK;
    }
    const std::string_view text = *Node;
    if (HasBlankOrControl(text) || text.find_first_of("/@?#") != std::string_view::npos ||
        !TakeHostPort(text, parsed.strHost, parsed.nPort)) {
        return MODBUS_E_BAD_NODE;
    }
    endpoint = parsed;
    return S_OK;
}

}  // namespace tarnel
