#include "service/automation/AutomationServer.h"

#include <algorithm>

#include "service/base/TextCase.h"

namespace tarnel {

AutomationServer::AutomationServer(std::vector<OPCProvider> providers)
    : m_Providers(std::move(providers)) {}

// Releasing the object ends its connection, as a real automation server does.
AutomationServer::~AutomationServer() {
    if (m_Server) Disconnect();
}

HRESULT AutomationServer::GetOPCServers(std::vector<std::string>& ProgIDs) {
    ProgIDs.clear();
    for (const auto& provider : m_Providers) ProgIDs.push_back(provider.ProgID);
    return S_OK;
}

HRESULT AutomationServer::Connect(const std::string& ProgID,
                                  const std::optional<std::string>& Node) {
    if (m_Server) return E_UNEXPECTED;
    const OPCProvider* provider = FindProvider(ProgID);
    if (provider == nullptr) return CO_E_CLASSSTRING;
    auto server = provider->Create();
    if (!server) return E_OUTOFMEMORY;
    if (const HRESULT hr = server->Connect(ProgID, Node); FAILED(hr)) return hr;
    server->ServerShutDown = [this](const std::string& Reason) { RaiseServerShutDown(Reason); };
    m_Server = std::move(server);
    return S_OK;
}

HRESULT AutomationServer::get_OPCGroups(std::shared_ptr<OPCGroups>& Groups) {
    if (!m_Server) return E_FAIL;
    return m_Server->get_OPCGroups(Groups);
}

HRESULT AutomationServer::Disconnect() {
    if (!m_Server) return E_FAIL;
    const auto server = std::move(m_Server);
    server->ServerShutDown = nullptr;
    return server->Disconnect();
}

HRESULT AutomationServer::get_ServerState(std::int32_t& State) {
    if (!m_Server) return E_FAIL;
    return m_Server->get_ServerState(State);
}

const OPCProvider* AutomationServer::FindProvider(const std::string& ProgID) const {
    const auto found =
        std::find_if(m_Providers.begin(), m_Providers.end(),
                     [&](const OPCProvider& p) { return SameText(p.ProgID, ProgID); });
    return found == m_Providers.end() ? nullptr : &*found;
}

}  // namespace tarnel
