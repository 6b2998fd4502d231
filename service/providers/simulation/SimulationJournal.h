#pragma once
#include <string>

#include "service/base/AppendFile.h"
#include "service/automation/Variant.h"

namespace tarnel {

// SimulationWrites.csv: one line per write a client made, so a demo or a test
// can see what the service wrote back. Header: Time,Item,Value,Result. Fields
// are quoted as standard CSV, so that any CSV reader gets the names back.
class SimulationJournal {
public:
    explicit SimulationJournal(std::string strFile);

    // An accepted write gives Result "OK", a refused one (unknown server
    // handle) "Refused". A file that cannot be written is logged once until
    // it is written again; the line is lost, the write itself goes on.
    void Append(const std::string& strItem, const Variant& value, bool bAccepted);

private:
    // Kept open between lines: a plant's write-back is thousands of lines a
    // second, and an open per line cost more than the service's own work.
    AppendFile m_File;
};

}  // namespace tarnel
