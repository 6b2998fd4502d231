#include "service/providers/modbus/ModbusServer.h"

#include "service/base/ProgramModule.h"
#include "service/base/TextCase.h"
#include "service/providers/modbus/ModbusConnection.h"
#include "service/providers/modbus/ModbusErrors.h"
#include "service/providers/modbus/ModbusGroups.h"

namespace tarnel {

ModbusServer::ModbusServer(asio::io_context& io, Settings settings)
    : m_io(io), m_Settings(std::move(settings)) {}

ModbusServer::~ModbusServer() { Disconnect(); }

OPCProvider ModbusServer::Provider(asio::io_context& io, const std::string& strIniFile) {
    return {kProgID, [&io, strIniFile]() -> std::shared_ptr<OPCServer> {
                return std::make_shared<ModbusServer>(io, Settings{strIniFile});
            }};
}

HRESULT ModbusServer::GetOPCServers(std::vector<std::string>& ProgIDs) {
    ProgIDs = {kProgID};
    return S_OK;
}

HRESULT ModbusServer::Connect(const std::string& ProgID, const std::optional<std::string>& Node) {
    if (!SameText(ProgID, kProgID)) return CO_E_CLASSSTRING;
    if (m_Groups) return E_UNEXPECTED;
    ModbusEndpoint endpoint;
    if (ParseNode(Node, endpoint) != S_OK) {
        LogMessage("Modbus: the node " + Node.value_or("").substr(0, 200) +
                   " is no device address (host, host:port, [IPv6 address]:port)");
        return MODBUS_E_BAD_NODE;
    }
    ModbusOptions options;
    std::string strError;
    if (ModbusOptions::Read(m_Settings.strIniFile, options, strError) != S_OK) {
        LogMessage(std::string("Modbus: section ") + ModbusOptions::kSection + " of " +
                   m_Settings.strIniFile + ": " + strError);
        return MODBUS_E_BAD_OPTION;
    }
    auto connection = std::make_shared<ModbusConnection>(m_io, endpoint, options);
    const HRESULT hr = connection->Open();
    if (FAILED(hr)) return hr;
    m_Connection = std::move(connection);
    m_Groups = std::make_shared<ModbusGroups>(m_io, m_Connection, m_Settings.Clock);
    return S_OK;
}

HRESULT ModbusServer::get_OPCGroups(std::shared_ptr<OPCGroups>& Groups) {
    if (!m_Groups) return E_FAIL;
    Groups = m_Groups;
    return S_OK;
}

HRESULT ModbusServer::Disconnect() {
    if (m_Groups) m_Groups->RemoveAll();
    m_Groups.reset();
    if (m_Connection) m_Connection->Close();
    m_Connection.reset();
    return S_OK;
}

HRESULT ModbusServer::get_ServerState(std::int32_t& State) {
    if (!m_Connection) return E_FAIL;
    State = m_Connection->Connected() ? OPC_STATUS_RUNNING : OPC_STATUS_COMM_FAULT;
    return S_OK;
}

}  // namespace tarnel
