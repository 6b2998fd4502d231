#include "service/providers/modbus/ModbusNode.h"

#include <arpa/inet.h>

#include <charconv>
#include <string_view>

#include "service/providers/modbus/ModbusErrors.h"

namespace tarnel {

namespace {

bool HasBlankOrControl(std::string_view text) {
    for (const unsigned char c : text) {
        if (c <= ' ' || c == 0x7F) return true;
    }
    return false;
}

bool ParsePort(std::string_view text, int& nPort) {
    unsigned nValue = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, nValue);
    if (text.empty() || ec != std::errc() || ptr != end || nValue < 1 || nValue > 65535) {
        return false;
    }
    nPort = static_cast<int>(nValue);
    return true;
}

bool IsIpv6Address(std::string_view host) {
    in6_addr address{};
    return inet_pton(AF_INET6, std::string(host).c_str(), &address) == 1;
}

}  // namespace

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
    std::string_view text = *Node;
    if (HasBlankOrControl(text) || text.find_first_of("/@?#") != std::string_view::npos) {
        return MODBUS_E_BAD_NODE;
    }
    std::string_view host = text;
    std::string_view rest;
    if (text.starts_with('[')) {
        const auto close = text.find(']');
        if (close == std::string_view::npos) return MODBUS_E_BAD_NODE;
        host = text.substr(1, close - 1);
        rest = text.substr(close + 1);
        if (!IsIpv6Address(host)) return MODBUS_E_BAD_NODE;
    } else {
        // More than one colon is an IPv6 address without its brackets.
        const auto colon = text.find(':');
        if (text.find_first_of("[]") != std::string_view::npos ||
            (colon != std::string_view::npos &&
             text.find(':', colon + 1) != std::string_view::npos)) {
            return MODBUS_E_BAD_NODE;
        }
        host = text.substr(0, colon);
        if (colon != std::string_view::npos) rest = text.substr(colon);
    }
    if (host.empty()) return MODBUS_E_BAD_NODE;
    if (!rest.empty() && (rest[0] != ':' || !ParsePort(rest.substr(1), parsed.nPort))) {
        return MODBUS_E_BAD_NODE;
    }
    parsed.strHost = host;
    endpoint = parsed;
    return S_OK;
}

}  // namespace tarnel
