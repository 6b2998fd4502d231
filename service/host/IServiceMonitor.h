#pragma once
#include <cstdint>
#include <string>

namespace tarnel {

// What the window object tells the monitoring of the service, on the event
// loop's thread.
class IServiceMonitor {
public:
    virtual ~IServiceMonitor() = default;
    // The INI file is chosen: the monitoring reads its keys and starts.
    virtual void Start(const std::string& strIniFile) = 0;
    // The first nStreams streams in file order were calculated, for a data
    // change or (bDataChange false) by the watchdog.
    virtual void Calculated(std::int32_t nStreams, bool bDataChange) = 0;
    virtual void ServerShutdown(const std::string& Reason) = 0;
};

}  // namespace tarnel
