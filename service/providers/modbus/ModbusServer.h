#pragma once
#include <asio/io_context.hpp>
#include <memory>
#include <string>

#include "service/automation/OPCProvider.h"
#include "service/automation/OPCServer.h"
#include "service/providers/ProviderClock.h"

namespace tarnel {

class ModbusConnection;
class ModbusGroups;

// The data server of a plant whose instruments speak Modbus TCP: Node names
// the device or gateway, items are addresses on it, writes go to holding
// registers and coils. Options come from the section "Tarnel.Modbus" of the
// service's INI file.
class ModbusServer : public OPCServer {
public:
    static constexpr const char* kProgID = "Tarnel.Modbus";

    struct Settings {
        std::string strIniFile;
        ProviderClock Clock = &std::chrono::steady_clock::now;
    };

    ModbusServer(asio::io_context& io, Settings settings);
    // The provider entry: options from strIniFile, events on io.
    static OPCProvider Provider(asio::io_context& io, const std::string& strIniFile);
    ~ModbusServer() override;

    HRESULT GetOPCServers(std::vector<std::string>& ProgIDs) override;
    HRESULT Connect(const std::string& ProgID, const std::optional<std::string>& Node) override;
    HRESULT get_OPCGroups(std::shared_ptr<OPCGroups>& Groups) override;
    HRESULT Disconnect() override;
    HRESULT get_ServerState(std::int32_t& State) override;

    // The groups while connected, else null; for tests and benchmarks.
    std::shared_ptr<ModbusGroups> Groups() const { return m_Groups; }

private:
    asio::io_context& m_io;
    Settings m_Settings;
    std::shared_ptr<ModbusConnection> m_Connection;
    std::shared_ptr<ModbusGroups> m_Groups;
};

}  // namespace tarnel
