#pragma once
#include <fstream>
#include <string>

#include "service/opc/Variant.h"

namespace tarnel {

// SimulationWrites.csv: one line per write a client made, so a demo or a test
// can see what the service wrote back. Header: Time,Item,Value,Result.
class SimulationJournal {
public:
    explicit SimulationJournal(std::string strFile);

    // An accepted write gives Result "OK", a refused one (unknown server
    // handle) "Refused". A file that cannot be written is logged once.
    void Append(const std::string& strItem, const Variant& value, bool bAccepted);

private:
    std::string m_strFile;
    // Kept open between lines: a plant's write-back is thousands of lines a
    // second, and an open per line cost more than the service's own work.
    std::ofstream m_Out;
    bool m_bFailureLogged = false;
};

}  // namespace tarnel
