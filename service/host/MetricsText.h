#pragma once
#include <string>

namespace tarnel {

struct MonitorSnapshot;

// The snapshot in the Prometheus text exposition format (version 0.0.4).
class MetricsText {
public:
    static constexpr const char* kContentType = "text/plain; version=0.0.4; charset=utf-8";

    static std::string Render(const MonitorSnapshot& snapshot);
    // A label value with backslash, double quote and line feed escaped.
    static std::string LabelValue(const std::string& strText);
};

}  // namespace tarnel
