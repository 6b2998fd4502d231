#pragma once
#include <asio/io_context.hpp>
#include <asio/signal_set.hpp>

#include "service/host/IServiceControl.h"
#include "service/host/IServiceNotify.h"
#include "service/host/UnitFile.h"

namespace tarnel {

// The service control on Linux. Install and uninstall write and remove the
// systemd unit; once started, the service events come from signals delivered
// on the event loop: SIGTERM and SIGINT stop, SIGUSR1 pauses, SIGUSR2
// continues, SIGRTMIN+n is the control code 128+n. A stop signal also raises
// the StopRequest at once, so that long work gives way to the stop event.
// Readiness and state go to
// systemd through sd_notify (nothing happens outside systemd or in debug mode).
class SystemdServiceControl : public IServiceControl, public IServiceNotify {
public:
    static constexpr std::int32_t kFirstUserControl = 128;

    SystemdServiceControl(asio::io_context& loop, std::string strDisplayName, UnitFile unit);
    ~SystemdServiceControl() override;
    SystemdServiceControl(const SystemdServiceControl&) = delete;
    SystemdServiceControl& operator=(const SystemdServiceControl&) = delete;

    std::string DisplayName() const override { return m_strDisplayName; }
    // A systemd service has no desktop to interact with; the flag changes nothing.
    void Interactive(bool) override {}
    void Debug(bool bDebug) override { m_bDebug = bDebug; }
    void ControlsAccepted(std::int32_t nControls) override { m_nControlsAccepted = nControls; }
    bool Install() override;
    bool Uninstall() override;
    void StartService() override;
    void Events(IServiceEvents* pEvents) override { m_pEvents = pEvents; }

    void Notify(const std::string& strState) override { Send(strState.c_str()); }
    // Only as a service: systemd set WATCHDOG_USEC for this process.
    bool WatchdogEnabled() const override;

private:
    void WaitForSignal();
    void OnSignal(int nSignal);
    void Send(const char* strState) const;

    asio::io_context& m_Loop;
    asio::signal_set m_Signals;
    std::string m_strDisplayName;
    UnitFile m_Unit;
    IServiceEvents* m_pEvents = nullptr;
    bool m_bDebug = false;
    std::int32_t m_nControlsAccepted = 0;
};

}  // namespace tarnel
