#include "service/host/SystemdServiceControl.h"

#include <spawn.h>
#include <sys/wait.h>
#include <systemd/sd-daemon.h>

#include <asio/post.hpp>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "service/base/StopRequest.h"

extern char** environ;

namespace tarnel {

namespace {

std::string ExecutablePath() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.string();
}

// Where systemd runs, it must re-read its units to see an installed or removed
// one; elsewhere there is nothing to tell.
bool ReloadSystemd() {
    if (sd_booted() <= 0) return true;
    char arg0[] = "systemctl";
    char arg1[] = "daemon-reload";
    char* argv[] = {arg0, arg1, nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "systemctl", nullptr, nullptr, argv, environ) != 0) return false;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The event loop's own handler of each stop signal, to which ours hands it on.
struct sigaction g_LoopHandlers[NSIG];

void RaiseStopAndHandOn(int nSignal) {
    StopRequest::Raise();
    g_LoopHandlers[nSignal].sa_handler(nSignal);
}

// A stop signal's event waits on the loop behind whatever handler is running;
// a flag raised in the signal handler itself tells long work to end early.
// The loop's handler (a plain one, installed when the signal was added) still
// gets every signal.
void RaiseStopRequestFirst(int nSignal) {
    struct sigaction current {};
    if (sigaction(nSignal, nullptr, &current) != 0 || current.sa_handler == RaiseStopAndHandOn ||
        (current.sa_flags & SA_SIGINFO) != 0 || current.sa_handler == SIG_DFL ||
        current.sa_handler == SIG_IGN) {
        return;
    }
    g_LoopHandlers[nSignal] = current;
    struct sigaction ours = current;
    ours.sa_handler = RaiseStopAndHandOn;
    sigaction(nSignal, &ours, nullptr);
}

}  // namespace

SystemdServiceControl::SystemdServiceControl(asio::io_context& loop, std::string strDisplayName,
                                             UnitFile unit)
    : m_Loop(loop),
      m_Signals(loop),
      m_strDisplayName(std::move(strDisplayName)),
      m_Unit(std::move(unit)) {}

SystemdServiceControl::~SystemdServiceControl() { StopRequest::Clear(); }

bool SystemdServiceControl::Install() {
    // The unit of the package, run from here: the service finds its files in
    // the folders the unit names (/etc/tarnel, /var/lib/tarnel, /var/log/tarnel).
    return m_Unit.Write(UnitFile::Text(m_strDisplayName, ExecutablePath())) && ReloadSystemd();
}

bool SystemdServiceControl::Uninstall() { return m_Unit.Remove() && ReloadSystemd(); }

void SystemdServiceControl::StartService() {
    for (int nSignal : {SIGTERM, SIGINT, SIGUSR1, SIGUSR2}) m_Signals.add(nSignal);
    for (int nSignal = SIGRTMIN; nSignal <= SIGRTMAX; ++nSignal) m_Signals.add(nSignal);
    for (int nSignal : {SIGTERM, SIGINT}) RaiseStopRequestFirst(nSignal);
    WaitForSignal();
    // The service manager answers with the start event once the window has loaded.
    asio::post(m_Loop, [this] {
        if (m_pEvents == nullptr) return;
        bool bSuccess = false;
        m_pEvents->NTService1_Start(bSuccess);
        if (bSuccess) Send("READY=1\nSTATUS=Running");
    });
}

void SystemdServiceControl::WaitForSignal() {
    m_Signals.async_wait([this](const std::error_code& ec, int nSignal) {
        if (ec) return;
        OnSignal(nSignal);
        WaitForSignal();
    });
}

void SystemdServiceControl::OnSignal(int nSignal) {
    if (m_pEvents == nullptr) return;
    const bool bPauseContinue = (m_nControlsAccepted & kAcceptPauseContinue) != 0;
    bool bSuccess = false;
    if (nSignal == SIGTERM || nSignal == SIGINT) {
        Send("STOPPING=1\nSTATUS=Stopping");
        m_pEvents->NTService1_Stop();
    } else if (nSignal == SIGUSR1) {
        if (!bPauseContinue) return;
        m_pEvents->NTService1_Pause(bSuccess);
        if (bSuccess) Send("STATUS=Paused");
    } else if (nSignal == SIGUSR2) {
        if (!bPauseContinue) return;
        m_pEvents->NTService1_Continue(bSuccess);
        if (bSuccess) Send("STATUS=Running");
    } else {
        m_pEvents->NTService1_Control(kFirstUserControl + (nSignal - SIGRTMIN));
    }
}

bool SystemdServiceControl::WatchdogEnabled() const {
    std::uint64_t nMicroseconds = 0;
    return !m_bDebug && sd_watchdog_enabled(0, &nMicroseconds) > 0;
}

void SystemdServiceControl::Send(const char* strState) const {
    if (!m_bDebug) sd_notify(0, strState);
}

}  // namespace tarnel
