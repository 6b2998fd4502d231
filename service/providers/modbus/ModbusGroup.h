#pragma once
#include <memory>
#include <vector>

#include "service/providers/ProviderGroup.h"
#include "service/providers/modbus/ModbusBlocks.h"

namespace tarnel {

class ModbusConnection;
class ModbusItems;
struct ModbusReading;
struct ModbusWrite;

// A Modbus subscription group. At the start of each update period it reads
// all its items in as few block reads as the limits allow, one poll at a
// time; what a poll brings is reported as soon as it is in. A block the
// device answers with an exception, or that its unit leaves unanswered while
// others answer, turns exactly its items bad, logged once until it reads again.
// Writes made in one turn of the loop to adjacent holding registers of a unit
// go to the device as one request, so that a plant's Z and status values laid
// out together cost a few requests, not two per stream.
class ModbusGroup : public ProviderGroup {
public:
    ModbusGroup(asio::io_context& io, std::shared_ptr<ModbusItems> items,
                std::shared_ptr<ModbusConnection> connection, ProviderClock clock,
                Settings settings);
    ~ModbusGroup() override;

    // A poll is under way; for tests and benchmarks that drive Update.
    bool Polling() const { return m_bPolling; }

protected:
    void Tick(ProviderTime now) override;
    void Write(ProviderItem& item, const Variant& value, WriteDone done) override;

private:
    // The items of one block: server handle and offset in the block.
    using Members = std::vector<std::pair<std::int32_t, int>>;
    struct Poll {
        std::vector<ModbusBlock> blocks;
        std::vector<Members> members;
    };

    struct PendingWrite;

    Poll Plan() const;
    void Flush();
    void Take(const Poll& poll, const std::vector<ModbusReading>& readings);
    void Note(const ModbusBlock& block, const ModbusReading& reading, std::size_t nItems);

    asio::io_context& m_io;
    std::shared_ptr<ModbusItems> m_ModbusItems;
    std::shared_ptr<ModbusConnection> m_Connection;
    bool m_bPolling = false;
    // Blocks whose failure was logged and that have not read since.
    std::vector<ModbusBlock> m_Refused;
    std::vector<PendingWrite> m_Writes;
};

}  // namespace tarnel
