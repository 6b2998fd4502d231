#include "service/providers/mqtt/MqttServer.h"

#include "service/base/ProgramModule.h"
#include "service/base/TextCase.h"
#include "service/providers/mqtt/MqttConnection.h"
#include "service/providers/mqtt/MqttErrors.h"
#include "service/providers/mqtt/MqttGroups.h"
#include "service/providers/mqtt/MqttNode.h"
#include "service/providers/mqtt/MqttTopics.h"

namespace tarnel {

MqttServer::MqttServer(asio::io_context& io, Settings settings)
    : m_io(io), m_Settings(std::move(settings)) {}

MqttServer::~MqttServer() { Disconnect(); }

OPCProvider MqttServer::Provider(asio::io_context& io, const std::string& strIniFile) {
    return {
        kProgID, [&io, strIniFile]() -> std::shared_ptr<OPCServer> {
            return std::make_shared<MqttServer>(io, Settings{strIniFile, ConfigurationFolder()});
        }};
}

HRESULT MqttServer::GetOPCServers(std::vector<std::string>& ProgIDs) {
    ProgIDs = {kProgID};
    return S_OK;
}

HRESULT MqttServer::Connect(const std::string& ProgID, const std::optional<std::string>& Node) {
    if (!SameText(ProgID, kProgID)) return CO_E_CLASSSTRING;
    if (m_Groups) return E_UNEXPECTED;
    MqttBroker broker;
    if (ParseNode(Node, broker) != S_OK) {
        LogMessage(
            "MQTT: the node " + Node.value_or("") +
            " is no broker address (host, host:port, mqtt://host:port or mqtts://host:port)");
        return MQTT_E_BAD_NODE;
    }
    MqttOptions options;
    std::string strError;
    if (MqttOptions::Read(m_Settings.strIniFile, m_Settings.strFolder, options, strError) != S_OK) {
        LogMessage(std::string("MQTT: section ") + MqttOptions::kSection + " of " +
                   m_Settings.strIniFile + ": " + strError);
        return MQTT_E_BAD_OPTION;
    }
    auto connection = std::make_shared<MqttConnection>(m_io, broker, options);
    auto topics = std::make_shared<MqttTopics>(connection);
    std::weak_ptr<MqttTopics> weak = topics;
    connection->Events.Message = [weak](const std::string& strTopic, std::string_view payload) {
        if (auto topics = weak.lock()) topics->Deliver(strTopic, payload);
    };
    connection->Events.Lost = [weak] {
        if (auto topics = weak.lock()) topics->LoseAll();
    };
    const HRESULT hr = connection->Connect();
    if (FAILED(hr)) return hr;
    m_Connection = std::move(connection);
    m_Topics = std::move(topics);
    m_Groups = std::make_shared<MqttGroups>(m_io, m_Topics, m_Settings.Clock);
    return S_OK;
}

HRESULT MqttServer::get_OPCGroups(std::shared_ptr<OPCGroups>& Groups) {
    if (!m_Groups) return E_FAIL;
    Groups = m_Groups;
    return S_OK;
}

HRESULT MqttServer::Disconnect() {
    if (m_Groups) m_Groups->RemoveAll();
    m_Groups.reset();
    if (m_Connection) m_Connection->Close();
    m_Topics.reset();
    m_Connection.reset();
    return S_OK;
}

// Running while the broker session is up; a communication fault while it
// reconnects.
HRESULT MqttServer::get_ServerState(std::int32_t& State) {
    if (!m_Connection) return E_FAIL;
    State = m_Connection->Connected() ? OPC_STATUS_RUNNING : OPC_STATUS_COMM_FAULT;
    return S_OK;
}

}  // namespace tarnel
