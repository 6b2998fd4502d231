#pragma once
#include <asio/io_context.hpp>
#include <asio/steady_timer.hpp>
#include <memory>
#include <string>

#include "service/automation/OPCGroup.h"
#include "service/providers/simulation/SimulationClock.h"
#include "service/providers/simulation/SimulationItems.h"
#include "service/providers/simulation/SimulationJournal.h"

namespace tarnel {

class SimulationServer;

// A simulated subscription group. A timer on the event loop calls Update once
// per update period; Update raises DataChange with the items that changed.
class SimulationGroup : public OPCGroup, public std::enable_shared_from_this<SimulationGroup> {
public:
    struct Settings {
        std::string strName;
        bool bActive = true;
        float rDeadband = 0.0f;
        std::int32_t nUpdateRate = 1000;
    };

    SimulationGroup(asio::io_context& io, std::weak_ptr<SimulationServer> server,
                    std::shared_ptr<SimulationItems> items,
                    std::shared_ptr<SimulationJournal> journal, SimulationClock clock,
                    Settings settings);

    const std::string& Name() const { return m_Settings.strName; }
    std::int32_t UpdateRate() const { return m_Settings.nUpdateRate; }
    // Starts the update timer; Stop ends it for good (the group was removed).
    void Start();
    void Stop();

    HRESULT put_UpdateRate(std::int32_t nMilliseconds) override;
    HRESULT put_IsSubscribed(bool bSubscribed) override;
    HRESULT put_IsActive(bool bActive) override;
    HRESULT get_OPCItems(std::shared_ptr<OPCItems>& Items) override;
    HRESULT AsyncWrite(std::int32_t NumItems, const OPCArray<std::int32_t>& ServerHandles,
                       const OPCArray<Variant>& Values, OPCArray<std::int32_t>& Errors,
                       std::int32_t TransactionID, std::int32_t& CancelID) override;

    // One update period at time now: the scenario moves on, and an active,
    // subscribed group reports its changed items. Called by the timer; tests
    // and benchmarks call it directly.
    void Update(SimulationTime now);

private:
    void Arm();
    void RaiseDueShutdowns(SimulationTime now);
    void ReportChanges();

    asio::steady_timer m_Timer;
    std::weak_ptr<SimulationServer> m_Server;
    std::shared_ptr<SimulationItems> m_Items;
    std::shared_ptr<SimulationJournal> m_Journal;
    SimulationClock m_Clock;
    Settings m_Settings;
    bool m_bSubscribed = false;
    bool m_bRunning = false;
    bool m_bRemoved = false;
    std::int32_t m_nLastCancelID = 0;
};

}  // namespace tarnel
