#pragma once
#include <asio/io_context.hpp>
#include <asio/steady_timer.hpp>
#include <cstdint>

#include "service/host/ITimer.h"

namespace tarnel {

// A window timer on the event loop: fires every interval while enabled, like
// the toolkit's timer it stands for (no catch-up after a long handler).
class AsioTimer : public ITimer {
public:
    AsioTimer(asio::io_context& loop, std::chrono::milliseconds interval,
              std::function<void()> tick);

    bool Enabled() const override { return m_bEnabled; }
    void Enabled(bool bEnabled) override;

    static TimerFactory Factory(asio::io_context& loop);

private:
    void Arm();

    asio::steady_timer m_Timer;
    std::chrono::milliseconds m_Interval;
    std::function<void()> m_Tick;
    bool m_bEnabled = false;
    // Tells a stale expiry (armed before the last disable) from the current one.
    std::uint64_t m_nGeneration = 0;
};

}  // namespace tarnel
