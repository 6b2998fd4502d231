#include "service/providers/simulation/SimulationJournal.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "service/base/ProgramModule.h"

namespace tarnel {

namespace {

// Local time as yyyy-mm-dd hh:nn:ss.zzz.
std::string Now() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(millis));
    return text;
}

// One CSV field as the standard has it: quoted, with its quotes doubled, when it
// holds a comma, a quote or a line break.
std::string CsvField(const std::string& strText) {
    if (strText.find_first_of(",\"\r\n") == std::string::npos) return strText;
    std::string field = "\"";
    for (const char c : strText) {
        if (c == '"') field += '"';
        field += c;
    }
    return field + '"';
}

}  // namespace

SimulationJournal::SimulationJournal(std::string strFile)
    : m_File(std::move(strFile), "Time,Item,Value,Result\n", true, LogMessage) {}

void SimulationJournal::Append(const std::string& strItem, const Variant& value, bool bAccepted) {
    m_File.Append(Now() + ',' + CsvField(strItem) + ',' + CsvField(value.ToText()) + ',' +
                  (bAccepted ? "OK" : "Refused") + '\n');
}

}  // namespace tarnel
