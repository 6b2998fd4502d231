#pragma once
#include <functional>
#include <memory>
#include <string>

namespace tarnel {

class OPCServer;

// A server that the automation layer can reach, chosen by its ProgID.
struct OPCProvider {
    std::string ProgID;
    std::function<std::shared_ptr<OPCServer>()> Create;
};

}  // namespace tarnel
