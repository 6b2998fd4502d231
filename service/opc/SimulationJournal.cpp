#include "service/opc/SimulationJournal.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "service/host/ProgramModule.h"

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

// A field that holds a comma or a quote goes in quotes, so the line still splits right.
std::string CsvField(const std::string& strText) {
    return strText.find_first_of(",\"") == std::string::npos ? strText : "\"" + strText + "\"";
}

}  // namespace

SimulationJournal::SimulationJournal(std::string strFile) : m_strFile(std::move(strFile)) {}

void SimulationJournal::Append(const std::string& strItem, const Variant& value, bool bAccepted) {
    if (!m_Out.is_open()) {
        std::error_code ec;
        const bool bNew = !std::filesystem::exists(m_strFile, ec) ||
                          std::filesystem::file_size(m_strFile, ec) == 0;
        m_Out.open(m_strFile, std::ios::app | std::ios::binary);
        if (bNew) m_Out << "Time,Item,Value,Result\n";
    }
    m_Out << Now() << ',' << CsvField(strItem) << ',' << CsvField(value.ToText()) << ','
          << (bAccepted ? "OK" : "Refused") << '\n';
    m_Out.flush();
    if (m_Out) return;
    // Try the file afresh next time.
    m_Out.close();
    m_Out.clear();
    if (m_bFailureLogged) return;
    m_bFailureLogged = true;
    LogMessage("Simulation: cannot write to " + m_strFile);
}

}  // namespace tarnel
