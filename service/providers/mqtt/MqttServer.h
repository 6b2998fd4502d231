#pragma once
#include <asio/io_context.hpp>
#include <memory>
#include <string>

#include "service/automation/OPCProvider.h"
#include "service/automation/OPCServer.h"
#include "service/providers/ProviderClock.h"

namespace tarnel {

class MqttConnection;
class MqttGroups;
class MqttTopics;

// The data server of a plant that moves its process data over an MQTT
// broker: Node names the broker, items are its topics, writes publish.
// Options come from the section "Tarnel.MQTT" of the service's INI file.
class MqttServer : public OPCServer {
public:
    static constexpr const char* kProgID = "Tarnel.MQTT";

    struct Settings {
        std::string strIniFile;
        // Where relative file names of the options are found.
        std::string strFolder;
        ProviderClock Clock = &std::chrono::steady_clock::now;
    };

    MqttServer(asio::io_context& io, Settings settings);
    // The provider entry: options from strIniFile, events on io.
    static OPCProvider Provider(asio::io_context& io, const std::string& strIniFile);
    ~MqttServer() override;

    HRESULT GetOPCServers(std::vector<std::string>& ProgIDs) override;
    HRESULT Connect(const std::string& ProgID, const std::optional<std::string>& Node) override;
    HRESULT get_OPCGroups(std::shared_ptr<OPCGroups>& Groups) override;
    HRESULT Disconnect() override;
    HRESULT get_ServerState(std::int32_t& State) override;

    // The groups while connected, else null; for tests and benchmarks.
    std::shared_ptr<MqttGroups> Groups() const { return m_Groups; }

private:
    asio::io_context& m_io;
    Settings m_Settings;
    std::shared_ptr<MqttConnection> m_Connection;
    std::shared_ptr<MqttTopics> m_Topics;
    std::shared_ptr<MqttGroups> m_Groups;
};

}  // namespace tarnel
