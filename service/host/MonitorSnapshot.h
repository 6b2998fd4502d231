#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "service/host/MonitorStreams.h"

namespace tarnel {

// One stream's latest values: P and T in its own units and in bar absolute
// and kelvin, the critical constants (in the stream's units) and the acentric
// factor, Z, the
// status and when it was last calculated (seconds since 1970, 0 for never).
struct MonitorValues {
    float P = 0.0f;
    float T = 0.0f;
    double Pc = 0.0;
    double Tc = 0.0;
    double Acentric = 0.0;
    double PBarA = 0.0;
    double TK = 0.0;
    float Z = 0.0f;
    std::int32_t Status = 0;
    double LastCalculation = 0.0;
};

// The plant at one moment, made by the event loop once a second and then only
// read by the monitoring listener's threads. Its texts are rendered once, by
// whichever reader asks first.
struct MonitorSnapshot {
    std::string Server;
    std::string Node;
    // The service's status line ("Running", "Paused", ...).
    std::string ServiceStatus;
    std::int32_t ServerState = 0;
    bool ShutdownRequested = false;
    std::string ShutdownReason;
    double LastDataChange = 0.0;
    std::uint64_t DataChanges = 0;
    std::uint64_t WritesOk = 0;
    std::uint64_t WritesFailed = 0;
    double Taken = 0.0;
    // Null until the streams are loaded.
    std::shared_ptr<const MonitorStreams> Streams;
    std::vector<MonitorValues> Values;

    bool Connected() const;
    // "12 streams, 11 valid, 1 bad quality; last data change 0.8 s ago"
    std::string Summary(double dNow) const;
    // Healthy while the loop ran within the last 5 s (dSinceLoopRan) and the
    // data server is connected and has not asked to shut down; the text
    // says so or why not.
    bool Healthy(double dSinceLoopRan, std::string& strText) const;
    const std::string& Json() const;
    const std::string& Metrics() const;

    // The meaning of a status code in words, long for the page, short for
    // the summary line.
    static const char* StatusText(std::int32_t nStatus);
    static const char* StatusShort(std::int32_t nStatus);
    static const char* StateText(std::int32_t nServerState);
    // A single as the number its shortest text says (0.9975, not 0.99750000238).
    static double Tidy(float rValue);

private:
    nlohmann::json ServerJson() const;
    nlohmann::json StreamJson(std::size_t i) const;

    mutable std::once_flag m_JsonOnce;
    mutable std::string m_strJson;
    mutable std::once_flag m_MetricsOnce;
    mutable std::string m_strMetrics;
};

}  // namespace tarnel
