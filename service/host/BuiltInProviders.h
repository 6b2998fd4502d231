#pragma once
#include <string>
#include <vector>

#include "service/automation/OPCProvider.h"

namespace asio {
class io_context;
}

namespace tarnel {

// The providers built into the program, the simulation server first. Their
// events are delivered on io; their options come from the service's INI file.
std::vector<OPCProvider> BuiltInProviders(asio::io_context& io, const std::string& strIniFile);

}  // namespace tarnel
