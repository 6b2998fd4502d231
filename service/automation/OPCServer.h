#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "service/automation/OPCErrors.h"

namespace tarnel {

class OPCGroups;

// The automation layer's server object. Failures are returned as error codes;
// the ServerShutDown event is raised on the service's event loop.
class OPCServer {
public:
    virtual ~OPCServer() = default;

    // ProgIDs of the servers on the local machine.
    virtual HRESULT GetOPCServers(std::vector<std::string>& ProgIDs) = 0;
    // Node empty optional: the local machine.
    virtual HRESULT Connect(const std::string& ProgID, const std::optional<std::string>& Node) = 0;
    virtual HRESULT get_OPCGroups(std::shared_ptr<OPCGroups>& Groups) = 0;
    virtual HRESULT Disconnect() = 0;
    // One of the OPC_STATUS_ values: running, failed, or a communication fault
    // while the server's own link to the plant is down.
    virtual HRESULT get_ServerState(std::int32_t& State) = 0;

    std::function<void(const std::string& Reason)> ServerShutDown;

protected:
    // A copy is called, so a handler may detach itself.
    void RaiseServerShutDown(const std::string& Reason) const {
        if (auto handler = ServerShutDown) handler(Reason);
    }
};

}  // namespace tarnel
