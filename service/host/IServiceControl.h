#pragma once
#include <cstdint>
#include <string>

#include "service/host/IServiceEvents.h"

namespace tarnel {

// The service control the window owns: install, uninstall, debug mode and the
// connection to the service manager, which from then on raises the events.
class IServiceControl {
public:
    // ControlsAccepted bit: pause and continue are accepted besides stop.
    static constexpr std::int32_t kAcceptPauseContinue = 2;

    virtual ~IServiceControl() = default;

    virtual std::string DisplayName() const = 0;
    virtual void Interactive(bool bInteractive) = 0;
    virtual void Debug(bool bDebug) = 0;
    virtual void ControlsAccepted(std::int32_t nControls) = 0;
    virtual bool Install() = 0;
    virtual bool Uninstall() = 0;
    // Connects to the service manager; the events go to the given sink (which
    // must outlive the control or be detached with nullptr).
    virtual void StartService() = 0;
    virtual void Events(IServiceEvents* pEvents) = 0;
};

}  // namespace tarnel
