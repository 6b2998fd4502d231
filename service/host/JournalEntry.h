#pragma once
#include <string>
#include <vector>

namespace tarnel {

// A log line as the journal takes it: a priority (errors err, warnings
// warning, the rest info) and, where the line is about one, the stream
// (TARNEL_STREAM=) or the OPC operation (TARNEL_OPERATION=) it concerns.
struct JournalEntry {
    static constexpr int kErr = 3;
    static constexpr int kWarning = 4;
    static constexpr int kInfo = 6;

    std::string Message;
    int Priority = kInfo;
    std::string Stream;
    std::string Operation;

    static JournalEntry FromLogLine(const std::string& strLine);
    // The journal's fields, "NAME=value" each.
    std::vector<std::string> Fields() const;
};

}  // namespace tarnel
