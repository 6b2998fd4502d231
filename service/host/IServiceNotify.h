#pragma once
#include <string>

namespace tarnel {

// The service manager's notification channel: state lines such as
// "STATUS=..." or "WATCHDOG=1" (nothing happens where there is none).
class IServiceNotify {
public:
    virtual ~IServiceNotify() = default;
    virtual void Notify(const std::string& strState) = 0;
    // Whether the service manager expects WATCHDOG=1 from this process.
    virtual bool WatchdogEnabled() const = 0;
};

}  // namespace tarnel
