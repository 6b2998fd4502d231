#include "service/host/MetricsText.h"

#include <charconv>
#include <cmath>
#include <functional>

#include "service/host/MonitorSnapshot.h"

#ifndef TARNEL_VERSION
#define TARNEL_VERSION "unknown"
#endif

namespace tarnel {

namespace {

// The shortest text that reads back as the same number; a value that came
// as a single is written as the single it was.
std::string Number(double dValue, bool bSingle = false) {
    if (std::isnan(dValue)) return "NaN";
    if (std::isinf(dValue)) return dValue > 0 ? "+Inf" : "-Inf";
    char text[32];
    const auto result = bSingle
                            ? std::to_chars(text, text + sizeof text, static_cast<float>(dValue))
                            : std::to_chars(text, text + sizeof text, dValue);
    return std::string(text, result.ptr);
}

void Family(std::string& out, const char* szName, const char* szType, const char* szHelp) {
    out += "# HELP ";
    out += szName;
    out += ' ';
    out += szHelp;
    out += "\n# TYPE ";
    out += szName;
    out += ' ';
    out += szType;
    out += '\n';
}

void Sample(std::string& out, const char* szName, const std::string& strLabels, double dValue,
            bool bSingle = false) {
    out += szName;
    if (!strLabels.empty()) {
        out += '{';
        out += strLabels;
        out += '}';
    }
    out += ' ';
    out += Number(dValue, bSingle);
    out += '\n';
}

struct StreamMetric {
    const char* szName;
    const char* szHelp;
    std::function<double(const MonitorValues&)> value;
    bool bSingle = false;
};

const StreamMetric kStreamMetrics[] = {
    {"tarnel_stream_z", "Compressibility factor Z of the last calculation",
     [](const MonitorValues& v) { return v.Z; }, true},
    {"tarnel_stream_status",
     "Status code written with Z (1 valid, 0 not yet calculated, <0 failed)",
     [](const MonitorValues& v) { return v.Status; }},
    {"tarnel_stream_pressure_bar_abs", "Stream pressure in bar absolute",
     [](const MonitorValues& v) { return v.PBarA; }},
    {"tarnel_stream_temperature_kelvin", "Stream temperature in kelvin",
     [](const MonitorValues& v) { return v.TK; }},
    {"tarnel_stream_last_calculation_timestamp_seconds",
     "When the stream was last calculated, seconds since 1970 (0 for never)",
     [](const MonitorValues& v) { return v.LastCalculation; }},
};

}  // namespace

std::string MetricsText::LabelValue(const std::string& strText) {
    std::string out;
    out.reserve(strText.size());
    for (const char c : strText) {
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

std::string MetricsText::Render(const MonitorSnapshot& snapshot) {
    std::string out;
    std::vector<std::string> labels;
    for (std::size_t i = 0; i < snapshot.Values.size() && snapshot.Streams; ++i) {
        std::string label = "stream=\"";
        label += LabelValue(snapshot.Streams->At(i).Name);
        label += '"';
        labels.push_back(std::move(label));
    }
    out.reserve(labels.size() * 400 + 1024);
    for (const auto& metric : kStreamMetrics) {
        Family(out, metric.szName, "gauge", metric.szHelp);
        for (std::size_t i = 0; i < labels.size(); ++i) {
            Sample(out, metric.szName, labels[i], metric.value(snapshot.Values[i]), metric.bSingle);
        }
    }
    Family(out, "tarnel_data_changes_total", "counter", "Data changes handled");
    Sample(out, "tarnel_data_changes_total", "", static_cast<double>(snapshot.DataChanges));
    Family(out, "tarnel_writes_total", "counter", "Writes to the data server by outcome");
    Sample(out, "tarnel_writes_total", "result=\"ok\"", static_cast<double>(snapshot.WritesOk));
    Sample(out, "tarnel_writes_total", "result=\"failed\"",
           static_cast<double>(snapshot.WritesFailed));
    Family(out, "tarnel_server_connected", "gauge", "1 while the data server is connected");
    Sample(out, "tarnel_server_connected", "", snapshot.Connected() ? 1 : 0);
    Family(out, "tarnel_build_info", "gauge", "The program's version");
    Sample(out, "tarnel_build_info", "version=\"" + LabelValue(TARNEL_VERSION) + "\"", 1);
    return out;
}

}  // namespace tarnel
