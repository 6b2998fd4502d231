#pragma once
#include <memory>
#include <vector>

#include "service/automation/OPCProvider.h"
#include "service/automation/OPCServer.h"

namespace tarnel {

// The server object that clients create: Connect picks the provider by ProgID
// (capitals ignored) and every later call goes to that provider's server.
class AutomationServer : public OPCServer {
public:
    explicit AutomationServer(std::vector<OPCProvider> providers);
    ~AutomationServer() override;

    HRESULT GetOPCServers(std::vector<std::string>& ProgIDs) override;
    HRESULT Connect(const std::string& ProgID, const std::optional<std::string>& Node) override;
    HRESULT get_OPCGroups(std::shared_ptr<OPCGroups>& Groups) override;
    HRESULT Disconnect() override;
    HRESULT get_ServerState(std::int32_t& State) override;

private:
    const OPCProvider* FindProvider(const std::string& ProgID) const;

    std::vector<OPCProvider> m_Providers;
    std::shared_ptr<OPCServer> m_Server;
};

}  // namespace tarnel
