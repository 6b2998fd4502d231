#include "service/providers/modbus/ModbusGroup.h"

#include <algorithm>
#include <asio/post.hpp>
#include <tuple>

#include "service/base/ProgramModule.h"
#include "service/providers/modbus/ModbusConnection.h"
#include "service/providers/modbus/ModbusErrors.h"
#include "service/providers/modbus/ModbusItem.h"
#include "service/providers/modbus/ModbusItems.h"
#include "service/providers/modbus/ModbusValue.h"

namespace tarnel {

namespace {

// Bad qualities: the address or function is wrong for the device
// (configuration error), the device failed (device failure), no answer
// (communication failure).
constexpr std::int32_t kConfigError = 0x04;
constexpr std::int32_t kDeviceFailure = 0x0C;
constexpr std::int32_t kCommFailure = 0x18;
// The most registers one write request carries.
constexpr std::size_t kMaxWriteRegisters = 123;

std::int32_t BadQuality(const ModbusReading& reading) {
    if (reading.hr != MODBUS_E_EXCEPTION) return kCommFailure;
    return reading.nException >= 1 && reading.nException <= 3 ? kConfigError : kDeviceFailure;
}

std::string BlockText(const ModbusBlock& block, const ModbusConnection& connection) {
    std::string strText = "unit ";
    strText += std::to_string(block.nUnit);
    strText += ' ';
    strText += TableName(block.table);
    strText += ' ';
    strText += std::to_string(block.nStart);
    strText += " to ";
    strText += std::to_string(block.nStart + block.nCount - 1);
    strText += " at ";
    strText += connection.Endpoint().Text();
    return strText;
}

}  // namespace

struct ModbusGroup::PendingWrite {
    ModbusWrite write;
    WriteDone done;
};

ModbusGroup::ModbusGroup(asio::io_context& io, std::shared_ptr<ModbusItems> items,
                         std::shared_ptr<ModbusConnection> connection, ProviderClock clock,
                         Settings settings)
    : ProviderGroup(io, items, std::move(clock), std::move(settings)),
      m_io(io),
      m_ModbusItems(std::move(items)),
      m_Connection(std::move(connection)) {}

ModbusGroup::~ModbusGroup() = default;

void ModbusGroup::Tick(ProviderTime) {
    // A poll still waiting on a slow device: this period reads nothing new.
    if (m_bPolling || m_ModbusItems->Items().empty()) return;
    auto poll = std::make_shared<Poll>(Plan());
    m_bPolling = true;
    auto blocks = poll->blocks;
    m_Connection->Read(std::move(blocks), [weak = weak_from_this(), poll](auto readings) {
        const auto self = weak.lock();
        if (self) static_cast<ModbusGroup&>(*self).Take(*poll, readings);
    });
}

ModbusGroup::Poll ModbusGroup::Plan() const {
    std::vector<ModbusAddress> addresses;
    std::vector<std::int32_t> handles;
    for (const auto& [nHandle, item] : m_ModbusItems->Items()) {
        addresses.push_back(static_cast<const ModbusItem&>(*item).Address());
        handles.push_back(nHandle);
    }
    const auto& options = m_Connection->Options();
    std::vector<ModbusPlace> places;
    Poll poll;
    poll.blocks =
        PlanBlocks(addresses, {options.nMaxRegisters, options.nMaxBits, options.nMaxGap}, places);
    poll.members.resize(poll.blocks.size());
    for (std::size_t i = 0; i < places.size(); ++i) {
        poll.members[places[i].nBlock].emplace_back(handles[i], places[i].nOffset);
    }
    return poll;
}

void ModbusGroup::Take(const Poll& poll, const std::vector<ModbusReading>& readings) {
    m_bPolling = false;
    for (std::size_t b = 0; b < poll.blocks.size() && b < readings.size(); ++b) {
        const ModbusReading& reading = readings[b];
        for (const auto& [nHandle, nOffset] : poll.members[b]) {
            // Removed while the poll ran.
            ModbusItem* item = m_ModbusItems->FindItem(nHandle);
            if (item == nullptr) continue;
            if (reading.hr == S_OK) {
                item->Deliver(reading.data.data() + nOffset);
            } else {
                item->Fail(BadQuality(reading));
            }
        }
        Note(poll.blocks[b], reading, poll.members[b].size());
    }
    // What the poll read goes out now, not a period later.
    ReportChanges();
}

void ModbusGroup::Note(const ModbusBlock& block, const ModbusReading& reading, std::size_t nItems) {
    const auto found = std::find(m_Refused.begin(), m_Refused.end(), block);
    // A lost connection is the connection's to log, once for every block.
    const bool bRefused = reading.hr == MODBUS_E_EXCEPTION || reading.hr == MODBUS_E_NO_ANSWER;
    if (bRefused && found == m_Refused.end()) {
        m_Refused.push_back(block);
        std::string strWhat = reading.hr == MODBUS_E_EXCEPTION
                                  ? "answered exception " + std::to_string(reading.nException) +
                                        " (" + reading.strReason + ")"
                                  : "did not answer (" + reading.strReason + ")";
        LogMessage("Modbus: " + BlockText(block, *m_Connection) + " " + strWhat + "; its " +
                   std::to_string(nItems) + " item(s) are bad");
    } else if (reading.hr == S_OK && found != m_Refused.end()) {
        m_Refused.erase(found);
        LogMessage("Modbus: " + BlockText(block, *m_Connection) + " reads again");
    }
}

void ModbusGroup::Write(ProviderItem& item, const Variant& value, WriteDone done) {
    const ModbusAddress& address = static_cast<ModbusItem&>(item).Address();
    if (!address.IsWritable()) {
        done(MODBUS_E_READ_ONLY);
        return;
    }
    ModbusWrite write{address.nUnit, address.table, address.nAddress, {}};
    const HRESULT hr = EncodeValue(address, value, write.data);
    if (FAILED(hr)) {
        done(hr);
        return;
    }
    if (m_Writes.empty()) {
        asio::post(m_io, [weak = weak_from_this()] {
            if (const auto self = weak.lock()) static_cast<ModbusGroup&>(*self).Flush();
        });
    }
    m_Writes.push_back({std::move(write), std::move(done)});
}

// The writes of this turn in address order, adjacent holding registers of one
// unit merged; writes to one address stay apart and in their order.
void ModbusGroup::Flush() {
    auto writes = std::move(m_Writes);
    m_Writes.clear();
    auto key = [](const PendingWrite& p) {
        return std::tuple(p.write.nUnit, p.write.table, p.write.nAddress);
    };
    std::stable_sort(writes.begin(), writes.end(),
                     [&](const auto& a, const auto& b) { return key(a) < key(b); });
    for (std::size_t i = 0; i < writes.size();) {
        ModbusWrite merged = std::move(writes[i].write);
        std::vector<WriteDone> dones{std::move(writes[i].done)};
        for (++i; i < writes.size(); ++i) {
            const ModbusWrite& next = writes[i].write;
            if (merged.table != ModbusAddress::Table::Holding || next.nUnit != merged.nUnit ||
                next.table != merged.table ||
                next.nAddress != merged.nAddress + static_cast<int>(merged.data.size()) ||
                merged.data.size() + next.data.size() > kMaxWriteRegisters) {
                break;
            }
            merged.data.insert(merged.data.end(), next.data.begin(), next.data.end());
            dones.push_back(std::move(writes[i].done));
        }
        m_Connection->Write(std::move(merged), [dones = std::move(dones)](HRESULT hr) {
            for (const auto& done : dones) done(hr);
        });
    }
}

}  // namespace tarnel
