#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "service/automation/OPCErrors.h"
#include "service/automation/Variant.h"
#include "service/providers/ProviderItem.h"

namespace tarnel {

// A bounded random walk: every second the value moves by up to Step either
// way and stays between Low and High. The seed makes runs repeat.
struct ScenarioWander {
    double dLow = 0.0;
    double dHigh = 0.0;
    double dStep = 0.0;
    std::uint32_t nSeed = 1;
};

// What happens to an item at a number of seconds after it was added: it takes
// a value and a quality, or starts wandering (from Value when given).
struct ScenarioStep {
    double dSeconds = 0.0;
    Variant value;
    std::int32_t nQuality = OPC_QUALITY_GOOD;
    std::optional<ScenarioWander> wander;
};

// An item's analog range, against which the group's deadband is measured.
using ScenarioRange = ProviderRange;

struct ItemScript {
    std::vector<ScenarioStep> steps;  // in time order
    std::optional<ScenarioRange> range;
    std::optional<HRESULT> refusal;  // the per-item code AddItems gives
};

struct ScenarioShutdown {
    double dSeconds = 0.0;
    std::string strReason;
};

// The simulation server's script, read from a CSV file with one header line:
//   Seconds,Item,Action,Value,Quality,Low,High,Step,Seed
// Actions: value, wander, range, refuse, shutdown (capitals ignored).
class SimulationScenario {
public:
    using Rows = std::vector<std::vector<std::string>>;

    // Rows of the file, the header first. A malformed row rejects the whole
    // scenario: the result is empty and strError names the line and the fault.
    static std::optional<SimulationScenario> Parse(const Rows& rows, std::string& strError);
    // Reads and parses strFile; a missing or malformed file is logged and gives
    // a scenario without scripted values, and so does a stop request that
    // arrives while it is read.
    static SimulationScenario Load(const std::string& strFile);

    // The script of an item (names compared without regard to capitals), or null.
    const ItemScript* Script(const std::string& strItem) const;
    // In time order.
    const std::vector<ScenarioShutdown>& Shutdowns() const { return m_Shutdowns; }

private:
    // Line nLine (from 1, the header) of the file; the error text names the line.
    std::string AddRow(std::size_t nLine, const std::vector<std::string>& row);
    void PutInTimeOrder();
    std::string ParseRow(const std::vector<std::string>& row);
    ItemScript& ScriptOf(const std::string& strItem);

    std::unordered_map<std::string, ItemScript> m_Items;
    std::vector<ScenarioShutdown> m_Shutdowns;
};

}  // namespace tarnel
