#pragma once
#include <asio/io_context.hpp>
#include <memory>

#include "service/providers/ProviderGroups.h"

namespace tarnel {

class ModbusConnection;

// The group collection of the Modbus provider; all groups share one device session.
class ModbusGroups : public ProviderGroups {
public:
    ModbusGroups(asio::io_context& io, std::shared_ptr<ModbusConnection> connection,
                 ProviderClock clock);

protected:
    std::shared_ptr<ProviderGroup> MakeGroup(ProviderGroup::Settings settings) override;

private:
    asio::io_context& m_io;
    std::shared_ptr<ModbusConnection> m_Connection;
    ProviderClock m_Clock;
};

}  // namespace tarnel
