#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "service/host/StreamTrend.h"

namespace tarnel {

class StreamCollection;

// What the monitoring pages know of the streams that does not change while
// the service runs (names, descriptions, units), with each stream's trend.
// Made once the streams are loaded; shared by every snapshot after.
class MonitorStreams {
public:
    struct Stream {
        std::string Name;
        std::string Description;
        std::string EuPressure;
        std::string EuTemperature;
    };

    MonitorStreams(const StreamCollection& streams, std::size_t nTrendPoints);

    std::size_t Count() const { return m_Streams.size(); }
    const Stream& At(std::size_t i) const { return m_Streams[i]; }
    StreamTrend& Trend(std::size_t i) const { return *m_Trends[i]; }
    // The position of a stream by name (capitals ignored), -1 for none.
    std::int32_t Find(const std::string& strName) const;

private:
    std::vector<Stream> m_Streams;
    std::vector<std::unique_ptr<StreamTrend>> m_Trends;
    std::unordered_map<std::string, std::int32_t> m_ByName;
};

}  // namespace tarnel
