#include "service/host/MonitorSnapshot.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>

#include "service/automation/OPCErrors.h"
#include "service/host/MetricsText.h"

namespace tarnel {

namespace {

// Seconds since 1970 as JSON: null for never.
nlohmann::json Time(double dSeconds) {
    return dSeconds > 0.0 ? nlohmann::json(dSeconds) : nlohmann::json(nullptr);
}

}  // namespace

double MonitorSnapshot::Tidy(float rValue) {
    if (!std::isfinite(rValue)) return rValue;
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, rValue);
    double dValue = rValue;
    std::from_chars(text, result.ptr, dValue);
    return dValue;
}

bool MonitorSnapshot::Connected() const { return ServerState == OPC_STATUS_RUNNING; }

const char* MonitorSnapshot::StatusText(std::int32_t nStatus) {
    switch (nStatus) {
        case 1:
            return "valid";
        case 0:
            return "not yet calculated";
        case -1:
            return "bad critical constant";
        case -2:
            return "bad input quality";
        case -3:
            return "pressure below zero absolute";
        case -4:
            return "temperature below zero kelvin";
        case -5:
            return "no usable Z (did not converge, refused inputs or a liquid root)";
        case -6:
            return "calculation failed";
        default:
            return "unknown status";
    }
}

const char* MonitorSnapshot::StatusShort(std::int32_t nStatus) {
    switch (nStatus) {
        case 1:
            return "valid";
        case 0:
            return "not calculated";
        case -1:
            return "bad constant";
        case -2:
            return "bad quality";
        case -3:
            return "pressure below zero";
        case -4:
            return "temperature below zero";
        case -5:
            return "no usable Z";
        case -6:
            return "failed";
        default:
            return "unknown";
    }
}

const char* MonitorSnapshot::StateText(std::int32_t nServerState) {
    switch (nServerState) {
        case OPC_STATUS_RUNNING:
            return "connected";
        case OPC_STATUS_COMM_FAULT:
            return "communication fault";
        default:
            return "not connected";
    }
}

std::string MonitorSnapshot::Summary(double dNow) const {
    std::string text = std::to_string(Values.size()) + " streams";
    // Valid first, then the others from the mildest code down.
    std::map<std::int32_t, std::size_t, std::greater<>> counts;
    for (const auto& values : Values) ++counts[values.Status];
    for (const auto& [nStatus, nCount] : counts) {
        text += ", ";
        text += std::to_string(nCount);
        text += ' ';
        text += StatusShort(nStatus);
    }
    if (LastDataChange <= 0.0) return text + "; no data change yet";
    char ago[64];
    std::snprintf(ago, sizeof ago, "; last data change %.1f s ago",
                  std::max(0.0, dNow - LastDataChange));
    return text + ago;
}

bool MonitorSnapshot::Healthy(double dSinceLoopRan, std::string& strText) const {
    char text[160];
    if (dSinceLoopRan > 5.0) {
        std::snprintf(text, sizeof text, "the event loop has not run for %.1f s", dSinceLoopRan);
        strText = text;
        return false;
    }
    if (ShutdownRequested) {
        strText = "the data server " + Server + " asked to shut down: " + ShutdownReason;
        return false;
    }
    if (!Connected()) {
        strText = "the data server " + Server + " is " + StateText(ServerState);
        if (Server.empty()) strText = "no data server connected";
        return false;
    }
    strText = "ok: " + Summary(Taken);
    return true;
}

nlohmann::json MonitorSnapshot::StreamJson(std::size_t i) const {
    const auto& def = Streams->At(i);
    const auto& v = Values[i];
    // NaN (a bad input) becomes null.
    return {{"name", def.Name},
            {"description", def.Description},
            {"p", Tidy(v.P)},
            {"pUnit", def.EuPressure},
            {"t", Tidy(v.T)},
            {"tUnit", def.EuTemperature},
            {"pc", v.Pc},
            {"tc", v.Tc},
            {"acentric", v.Acentric},
            {"z", Tidy(v.Z)},
            {"status", v.Status},
            {"statusText", StatusText(v.Status)},
            {"lastCalculation", Time(v.LastCalculation)}};
}

nlohmann::json MonitorSnapshot::ServerJson() const {
    nlohmann::json server = {{"progId", Server},
                             {"node", Node},
                             {"state", StateText(ServerState)},
                             {"connected", Connected()},
                             {"shutdownRequested", ShutdownRequested},
                             {"lastDataChange", Time(LastDataChange)},
                             {"dataChanges", DataChanges},
                             {"writes", {{"ok", WritesOk}, {"failed", WritesFailed}}}};
    if (ShutdownRequested) server["shutdownReason"] = ShutdownReason;
    return server;
}

// Written a stream at a time, so that the text is the only large thing made.
// Texts from the configuration files need not be UTF-8.
const std::string& MonitorSnapshot::Json() const {
    std::call_once(m_JsonOnce, [this] {
        const auto dump = [](const nlohmann::json& value) {
            return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        };
        m_strJson = dump({{"time", Taken}, {"service", ServiceStatus}, {"server", ServerJson()}});
        m_strJson.pop_back();
        m_strJson += ",\"streams\":[";
        for (std::size_t i = 0; i < Values.size() && Streams; ++i) {
            if (i > 0) m_strJson += ',';
            m_strJson += dump(StreamJson(i));
        }
        m_strJson += "]}";
    });
    return m_strJson;
}

const std::string& MonitorSnapshot::Metrics() const {
    std::call_once(m_MetricsOnce, [this] { m_strMetrics = MetricsText::Render(*this); });
    return m_strMetrics;
}

}  // namespace tarnel
