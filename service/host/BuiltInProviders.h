#pragma once
#include <vector>

#include "service/automation/OPCProvider.h"

namespace asio {
class io_context;
}

namespace tarnel {

// The providers built into the program, the simulation server first. Their
// events are delivered on io.
std::vector<OPCProvider> BuiltInProviders(asio::io_context& io);

}  // namespace tarnel
