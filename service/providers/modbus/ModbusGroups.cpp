#include "service/providers/modbus/ModbusGroups.h"

#include "service/providers/modbus/ModbusGroup.h"
#include "service/providers/modbus/ModbusItems.h"

namespace tarnel {

ModbusGroups::ModbusGroups(asio::io_context& io, std::shared_ptr<ModbusConnection> connection,
                           ProviderClock clock)
    : m_io(io), m_Connection(std::move(connection)), m_Clock(std::move(clock)) {}

std::shared_ptr<ProviderGroup> ModbusGroups::MakeGroup(ProviderGroup::Settings settings) {
    return std::make_shared<ModbusGroup>(m_io, std::make_shared<ModbusItems>(m_Clock), m_Connection,
                                         m_Clock, std::move(settings));
}

}  // namespace tarnel
