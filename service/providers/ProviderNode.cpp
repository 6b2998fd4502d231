#include "service/providers/ProviderNode.h"

#include <arpa/inet.h>

#include <charconv>

namespace tarnel {

namespace {

// Plain digits only: from_chars of an unsigned takes no sign and no blanks.
bool TakePort(std::string_view text, int& nPort) {
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

bool HasBlankOrControl(std::string_view text) {
    for (const unsigned char c : text) {
        if (c <= ' ' || c == 0x7F) return true;
    }
    return false;
}

bool TakeHostPort(std::string_view text, std::string& strHost, int& nPort) {
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
    if (!rest.empty() && (rest[0] != ':' || !TakePort(rest.substr(1), nPort))) return false;
    strHost = host;
    return true;
}

}  // namespace tarnel
