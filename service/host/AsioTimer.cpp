#include "service/host/AsioTimer.h"

namespace tarnel {

AsioTimer::AsioTimer(asio::io_context& loop, std::chrono::milliseconds interval,
                     std::function<void()> tick)
    : m_Timer(loop), m_Interval(interval), m_Tick(std::move(tick)) {}

void AsioTimer::Enabled(bool bEnabled) {
    if (bEnabled == m_bEnabled) return;
    m_bEnabled = bEnabled;
    ++m_nGeneration;
    m_Timer.cancel();
    if (bEnabled) Arm();
}

void AsioTimer::Arm() {
    m_Timer.expires_after(m_Interval);
    m_Timer.async_wait([this, generation = m_nGeneration](const std::error_code& ec) {
        // Checked first: after destruction the handler still runs, aborted.
        if (ec) return;
        if (generation != m_nGeneration || !m_bEnabled) return;
        Arm();
        m_Tick();
    });
}

TimerFactory AsioTimer::Factory(asio::io_context& loop) {
    return [&loop](std::chrono::milliseconds interval, std::function<void()> tick) {
        return std::make_unique<AsioTimer>(loop, interval, std::move(tick));
    };
}

}  // namespace tarnel
