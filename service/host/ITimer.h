#pragma once
#include <chrono>
#include <functional>
#include <memory>

namespace tarnel {

// One of the window's timers. Ticks arrive on the event loop's thread; a tick
// handler may disable its own timer (or enable another) while it runs.
class ITimer {
public:
    virtual ~ITimer() = default;
    virtual bool Enabled() const = 0;
    virtual void Enabled(bool bEnabled) = 0;
};

// Makes a disabled timer with the given interval that calls tick on every expiry.
using TimerFactory = std::function<std::unique_ptr<ITimer>(std::chrono::milliseconds interval,
                                                           std::function<void()> tick)>;

}  // namespace tarnel
