#pragma once
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace tarnel {

// One point of a stream's trend: when (seconds since 1970), Z, P and T in
// the stream's own units, and the status.
struct TrendPoint {
    double Time = 0.0;
    float Z = 0.0f;
    float P = 0.0f;
    float T = 0.0f;
    std::int32_t Status = 0;
};

// The recent history of one stream in a ring of fixed size: the event loop
// adds, the monitoring listener's threads copy. Each holds the lock only for
// one point or one copy, so neither waits long for the other.
class StreamTrend {
public:
    explicit StreamTrend(std::size_t nCapacity);

    void Add(const TrendPoint& point);
    // Oldest first.
    std::vector<TrendPoint> Points() const;
    // The time of the latest point, 0 before the first; for the loop.
    double LastTime() const { return m_dLastTime; }

private:
    const std::size_t m_nCapacity;
    mutable std::mutex m_Mutex;
    std::vector<TrendPoint> m_Ring;
    std::size_t m_nNext = 0;
    double m_dLastTime = 0.0;
};

}  // namespace tarnel
