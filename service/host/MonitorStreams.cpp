#include "service/host/MonitorStreams.h"

#include "service/base/TextCase.h"
#include "service/host/StreamCollection.h"

namespace tarnel {

MonitorStreams::MonitorStreams(const StreamCollection& streams, std::size_t nTrendPoints) {
    for (const auto& stream : streams) {
        m_ByName.emplace(LowerCase(stream->TagName()), static_cast<std::int32_t>(m_Streams.size()));
        m_Streams.push_back({stream->TagName(), stream->Description(), stream->EuPressure(),
                             stream->EuTemperature()});
        m_Trends.push_back(std::make_unique<StreamTrend>(nTrendPoints));
    }
}

std::int32_t MonitorStreams::Find(const std::string& strName) const {
    const auto found = m_ByName.find(LowerCase(strName));
    return found == m_ByName.end() ? -1 : found->second;
}

}  // namespace tarnel
