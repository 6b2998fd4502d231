#include "service/providers/mqtt/MqttNode.h"

#include <arpa/inet.h>

#include <charconv>
#include <string_view>

#include "service/base/TextCase.h"
#include "service/providers/mqtt/MqttErrors.h"

namespace tarnel {

namespace {

constexpr int kTlsPort = 8883;

bool HasBlankOrControl(std::string_view text) {
    for (const unsigned char c : text) {
        if (c <= ' ' || c == 0x7F) return true;
    }
    return false;
}

// Takes "mqtt://" or "mqtts://" off the front; false for any other scheme.
bool TakeScheme(std::string_view& text, MqttBroker& broker) {
    const auto mark = text.find("://");
    if (mark == std::string_view::npos) return true;
    const std::string strScheme(text.substr(0, mark));
    if (SameText(strScheme, "mqtts")) {
        broker.nPort = kTlsPort;
        broker.bTls = true;
    } else if (!SameText(strScheme, "mqtt")) {
        return false;
    }
    text.remove_prefix(mark + 3);
    return true;
}

// Plain digits only: from_chars of an unsigned takes no sign and no blanks.
bool TakePort(std::string_view text, MqttBroker& broker) {
    unsigned nPort = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, nPort);
    if (text.empty() || ec != std::errc() || ptr != end || nPort < 1 || nPort > 65535) {
        return false;
    }
    broker.nPort = static_cast<int>(nPort);
    return true;
}

bool IsIpv6Address(std::string_view host) {
    in6_addr address{};
    return inet_pton(AF_INET6, std::string(host).c_str(), &address) == 1;
}

// "host[:port]" or "[address][:port]".
bool TakeAuthority(std::string_view text, MqttBroker& broker) {
    std::string_view host = text;
    std::string_view rest;
    if (text.starts_with('[')) {
        const auto close = text.find(']');
        if (close == std::string_view::npos) return false;
        host = text.substr(1, close - 1);
        rest = text.substr(close + 1);
        if (!IsIpv6Address(host)) return false;
    } else {
        // More than one colon is an IPv6 address without its brackets.
        const auto colon = text.find(':');
        if (text.find_first_of("[]") != std::string_view::npos ||
            (colon != std::string_view::npos &&
             text.find(':', colon + 1) != std::string_view::npos)) {
            return false;
        }
        host = text.substr(0, colon);
        if (colon != std::string_view::npos) rest = text.substr(colon);
    }
    if (host.empty()) return false;
    if (!rest.empty() && (rest[0] != ':' || !TakePort(rest.substr(1), broker))) return false;
    broker.strHost = host;
    return true;
}

}  // namespace

HRESULT ParseNode(const std::optional<std::string>& Node, MqttBroker& broker) {
    MqttBroker parsed{"localhost"};
    if (!Node || Node->empty()) {
        broker = parsed;
        return S_OK;
    }
    std::string_view text = *Node;
    // User info, queries and fragments have no meaning for a broker address.
    if (HasBlankOrControl(text) || text.find_first_of("@?#") != std::string_view::npos ||
        !TakeScheme(text, parsed)) {
        return MQTT_E_BAD_NODE;
    }
    if (text.ends_with('/')) text.remove_suffix(1);
    if (text.find('/') != std::string_view::npos || !TakeAuthority(text, parsed)) {
        return MQTT_E_BAD_NODE;
    }
    broker = parsed;
    return S_OK;
}

}  // namespace tarnel
