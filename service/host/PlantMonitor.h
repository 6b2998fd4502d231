#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "service/host/IServiceMonitor.h"
#include "service/host/IServiceNotify.h"
#include "service/host/ITimer.h"
#include "service/host/MonitorPage.h"

namespace tarnel {

class frmMain;
class TarnelTag;

// The monitoring on the event loop's side. Once a second it tells the loop
// is alive (WATCHDOG=1 and the health check), adds to the trends, publishes
// a snapshot to the monitoring listener and keeps the service manager's
// status line up to date. It reads the window object and never changes it.
class PlantMonitor : public IServiceMonitor {
public:
    // A trend point every 10 s and one per status change, for about an hour.
    static constexpr double kTrendSeconds = 10.0;
    static constexpr std::size_t kTrendPoints = 480;
    static constexpr std::int32_t kDefaultPort = 8471;

    // now: seconds since 1970 (the system clock unless a test gives another).
    PlantMonitor(const frmMain& form, IServiceNotify& notify, const TimerFactory& timers,
                 std::function<double()> now = {});

    void Start(const std::string& strIniFile) override;
    void Calculated(std::int32_t nStreams, bool bDataChange) override;
    void ServerShutdown(const std::string& Reason) override;

    // The timer's work: public for tests and benchmarks.
    void Tick();
    std::shared_ptr<const MonitorSnapshot> MakeSnapshot(double dNow) const;
    std::int32_t Port() const { return m_Page.Port(); }

private:
    void StartListener(const std::string& strIniFile);
    bool StreamsKnown();
    void SampleTrends(const MonitorSnapshot& snapshot);
    TrendPoint PointOf(const TarnelTag& stream, double dNow) const;

    const frmMain& m_Form;
    IServiceNotify& m_Notify;
    std::function<double()> m_Now;
    std::unique_ptr<ITimer> m_Timer;
    MonitorPage m_Page;

    std::shared_ptr<const MonitorStreams> m_Streams;
    std::vector<double> m_LastCalculation;
    std::vector<std::int32_t> m_LastStatus;
    std::uint64_t m_nDataChanges = 0;
    double m_dLastDataChange = 0.0;
    bool m_bShutdownRequested = false;
    std::string m_strShutdownReason;
};

}  // namespace tarnel
