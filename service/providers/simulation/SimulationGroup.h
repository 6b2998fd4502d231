#pragma once
#include <asio/io_context.hpp>
#include <memory>

#include "service/providers/ProviderGroup.h"
#include "service/providers/simulation/SimulationItems.h"
#include "service/providers/simulation/SimulationJournal.h"

namespace tarnel {

class SimulationServer;

// A simulated subscription group: each period raises the scenario's due
// shutdowns, and writes are kept by the items and journalled.
class SimulationGroup : public ProviderGroup {
public:
    SimulationGroup(asio::io_context& io, std::weak_ptr<SimulationServer> server,
                    std::shared_ptr<SimulationItems> items,
                    std::shared_ptr<SimulationJournal> journal, SimulationClock clock,
                    Settings settings);

protected:
    void Tick(SimulationTime now) override;
    void Write(ProviderItem& item, const Variant& value, WriteDone done) override;
    void WriteRefused(const Variant& value) override;

private:
    std::weak_ptr<SimulationServer> m_Server;
    std::shared_ptr<SimulationJournal> m_Journal;
};

}  // namespace tarnel
