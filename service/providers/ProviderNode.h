#pragma once
#include <string>
#include <string_view>

namespace tarnel {

// What the network providers' Node texts share.

// A blank or control character anywhere: never part of an address.
bool HasBlankOrControl(std::string_view text);

// "host", "host:port", "[IPv6 address]" or "[IPv6 address]:port" (port 1 to
// 65535, plain digits). On success strHost is the host (an IPv6 address
// without its brackets) and nPort the port if one is given; false for
// anything else, and then either may have changed.
bool TakeHostPort(std::string_view text, std::string& strHost, int& nPort);

}  // namespace tarnel
