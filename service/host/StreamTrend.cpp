#include "service/host/StreamTrend.h"

namespace tarnel {

StreamTrend::StreamTrend(std::size_t nCapacity) : m_nCapacity(nCapacity) {}

void StreamTrend::Add(const TrendPoint& point) {
    std::lock_guard lock(m_Mutex);
    m_dLastTime = point.Time;
    if (m_Ring.size() < m_nCapacity) {
        m_Ring.push_back(point);
        return;
    }
    m_Ring[m_nNext] = point;
    m_nNext = (m_nNext + 1) % m_nCapacity;
}

std::vector<TrendPoint> StreamTrend::Points() const {
    std::lock_guard lock(m_Mutex);
    std::vector<TrendPoint> points;
    points.reserve(m_Ring.size());
    points.insert(points.end(), m_Ring.begin() + static_cast<std::ptrdiff_t>(m_nNext),
                  m_Ring.end());
    points.insert(points.end(), m_Ring.begin(),
                  m_Ring.begin() + static_cast<std::ptrdiff_t>(m_nNext));
    return points;
}

}  // namespace tarnel
