#include "service/providers/simulation/SimulationGroup.h"

#include "service/providers/simulation/SimulationServer.h"

namespace tarnel {

SimulationGroup::SimulationGroup(asio::io_context& io, std::weak_ptr<SimulationServer> server,
                                 std::shared_ptr<SimulationItems> items,
                                 std::shared_ptr<SimulationJournal> journal, SimulationClock clock,
                                 Settings settings)
    : ProviderGroup(io, std::move(items), std::move(clock), std::move(settings)),
      m_Server(std::move(server)),
      m_Journal(std::move(journal)) {}

void SimulationGroup::Tick(SimulationTime now) {
    const auto added = Items().FirstAdded();
    const auto server = m_Server.lock();
    if (!added || !server) return;
    server->RaiseDueShutdowns(std::chrono::duration<double>(now - *added).count());
}

void SimulationGroup::Write(ProviderItem& item, const Variant& value, WriteDone done) {
    m_Journal->Append(item.Name(), value, true);
    // Every item of this group was made by SimulationItems.
    static_cast<SimulationItem&>(item).Write(value);
    done(S_OK);
}

void SimulationGroup::WriteRefused(const Variant& value) {
    m_Journal->Append(std::string(), value, false);
}

}  // namespace tarnel
