#include "service/providers/simulation/SimulationScenario.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "service/config/CsvReader.h"
#include "service/base/ProgramModule.h"
#include "service/base/StopRequest.h"
#include "service/base/TextCase.h"

namespace tarnel {

namespace {

constexpr const char* kNoHeader = "line 1: the header line is missing";

enum Column { kSeconds, kItem, kAction, kValue, kQuality, kLow, kHigh, kStep, kSeed, kColumns };

std::string Field(const std::vector<std::string>& row, Column column) {
    return static_cast<std::size_t>(column) < row.size() ? row[column] : std::string();
}

std::string Quoted(const std::string& strText) { return "\"" + strText + "\""; }

std::optional<double> Number(const std::string& strText) {
    double dVal = 0.0;
    if (strText.empty() || FAILED(Variant(strText).ToDouble(dVal)) || !std::isfinite(dVal)) {
        return std::nullopt;
    }
    return dVal;
}

// A whole number, decimal or hexadecimal after "0x".
std::optional<std::int64_t> Whole(const std::string& strText) {
    const bool bNegative = !strText.empty() && strText[0] == '-';
    const char* begin = strText.data() + (bNegative ? 1 : 0);
    const char* end = strText.data() + strText.size();
    int nBase = 10;
    if (end - begin > 2 && begin[0] == '0' && (begin[1] == 'x' || begin[1] == 'X')) {
        begin += 2;
        nBase = 16;
    }
    std::int64_t nVal = 0;
    const auto [ptr, ec] = std::from_chars(begin, end, nVal, nBase);
    if (begin == end || ec != std::errc() || ptr != end || nVal > 0xFFFFFFFFll) return std::nullopt;
    return bNegative ? -nVal : nVal;
}

std::string ReadSeconds(const std::vector<std::string>& row, double& dSeconds) {
    const auto seconds = Number(Field(row, kSeconds));
    if (!seconds || *seconds < 0.0) {
        return "seconds " + Quoted(Field(row, kSeconds)) + " is not a number of seconds from 0 up";
    }
    dSeconds = *seconds;
    return {};
}

std::string ReadQuality(const std::vector<std::string>& row, std::int32_t& nQuality) {
    const std::string strQuality = Field(row, kQuality);
    if (strQuality.empty()) return {};
    const auto quality = Whole(strQuality);
    if (!quality || *quality < 0 || *quality > 0xFFFF) {
        return "quality " + Quoted(strQuality) + " is not a quality word from 0 to 65535";
    }
    nQuality = static_cast<std::int32_t>(*quality);
    return {};
}

std::string ReadBounds(const std::vector<std::string>& row, double& dLow, double& dHigh) {
    const auto low = Number(Field(row, kLow));
    const auto high = Number(Field(row, kHigh));
    if (!low || !high || *low >= *high) {
        return "low " + Quoted(Field(row, kLow)) + " and high " + Quoted(Field(row, kHigh)) +
               " give no range (two numbers, low below high)";
    }
    dLow = *low;
    dHigh = *high;
    return {};
}

std::string ReadWander(const std::vector<std::string>& row, ScenarioWander& wander) {
    if (auto strError = ReadBounds(row, wander.dLow, wander.dHigh); !strError.empty()) {
        return strError;
    }
    const auto step = Number(Field(row, kStep));
    if (!step || *step <= 0.0)
        return "step " + Quoted(Field(row, kStep)) + " is not a number above 0";
    wander.dStep = *step;
    if (Field(row, kSeed).empty()) return {};
    const auto seed = Whole(Field(row, kSeed));
    if (!seed || *seed < 0) {
        return "seed " + Quoted(Field(row, kSeed)) + " is not a whole number from 0 to 4294967295";
    }
    wander.nSeed = static_cast<std::uint32_t>(*seed);
    return {};
}

std::string ReadRefusal(const std::vector<std::string>& row, HRESULT& hrRefusal) {
    const std::string strCode = Field(row, kValue);
    if (strCode.empty()) return {};
    const auto code = Whole(strCode);
    // Failure codes have the top bit set: negative, or written as 0x8... to 0xF....
    if (!code || *code < INT32_MIN || (*code >= 0 && *code < 0x80000000ll)) {
        return "error code " + Quoted(strCode) + " is not a failure code such as 0xC0040007";
    }
    hrRefusal = static_cast<HRESULT>(static_cast<std::uint32_t>(*code));
    return {};
}

// A value step (a number, else a text) or the start of a wander (from a
// number when one is given).
std::string ReadStep(const std::vector<std::string>& row, bool bWander, ScenarioStep& step) {
    if (auto strError = ReadSeconds(row, step.dSeconds); !strError.empty()) return strError;
    if (auto strError = ReadQuality(row, step.nQuality); !strError.empty()) return strError;
    const std::string strValue = Field(row, kValue);
    const auto number = Number(strValue);
    if (!bWander) {
        if (strValue.empty()) return "the value is missing";
        step.value = number ? Variant(*number) : Variant(strValue);
        return {};
    }
    step.wander.emplace();
    if (auto strError = ReadWander(row, *step.wander); !strError.empty()) return strError;
    if (!strValue.empty() && !number) {
        return "the start value " + Quoted(strValue) + " is not a number";
    }
    if (number) step.value = Variant(*number);
    return {};
}

}  // namespace

std::optional<SimulationScenario> SimulationScenario::Parse(const Rows& rows,
                                                            std::string& strError) {
    if (rows.empty()) {
        strError = kNoHeader;
        return std::nullopt;
    }
    SimulationScenario scenario;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        strError = scenario.AddRow(i + 1, rows[i]);
        if (!strError.empty()) return std::nullopt;
    }
    scenario.PutInTimeOrder();
    return scenario;
}

std::string SimulationScenario::AddRow(std::size_t nLine, const std::vector<std::string>& row) {
    // A first line that reads as an instruction means the header was left out;
    // skipping it as the header would lose that instruction unnoticed.
    if (nLine == 1) {
        return SimulationScenario().ParseRow(row).empty() ? kNoHeader : "";
    }
    if (std::all_of(row.begin(), row.end(), [](const std::string& f) { return f.empty(); })) {
        return {};
    }
    const std::string strError = ParseRow(row);
    return strError.empty() ? strError : "line " + std::to_string(nLine) + ": " + strError;
}

// Scenarios are mostly written in time order; sorting is needed only where not.
void SimulationScenario::PutInTimeOrder() {
    const auto byTime = [](const auto& a, const auto& b) { return a.dSeconds < b.dSeconds; };
    const auto order = [&](auto& steps) {
        if (!std::is_sorted(steps.begin(), steps.end(), byTime)) {
            std::stable_sort(steps.begin(), steps.end(), byTime);
        }
    };
    for (auto& [strItem, script] : m_Items) order(script.steps);
    order(m_Shutdowns);
}

std::string SimulationScenario::ParseRow(const std::vector<std::string>& row) {
    const std::string strAction = LowerCase(Field(row, kAction));
    std::string strError;
    if (strAction == "shutdown") {
        ScenarioShutdown shutdown{0.0, Field(row, kValue)};
        strError = ReadSeconds(row, shutdown.dSeconds);
        if (strError.empty()) m_Shutdowns.push_back(shutdown);
        return strError;
    }
    const std::string strItem = Field(row, kItem);
    if (strItem.empty()) return "the item name is missing";
    if (strAction == "value" || strAction == "wander") {
        ScenarioStep step;
        strError = ReadStep(row, strAction == "wander", step);
        if (strError.empty()) ScriptOf(strItem).steps.push_back(std::move(step));
    } else if (strAction == "range") {
        ScenarioRange range;
        strError = ReadBounds(row, range.dLow, range.dHigh);
        if (strError.empty()) ScriptOf(strItem).range = range;
    } else if (strAction == "refuse") {
        HRESULT hrRefusal = OPC_E_UNKNOWNITEMID;
        strError = ReadRefusal(row, hrRefusal);
        if (strError.empty()) ScriptOf(strItem).refusal = hrRefusal;
    } else {
        strError = "the action " + Quoted(Field(row, kAction)) +
                   " is none of value, wander, range, refuse, shutdown";
    }
    return strError;
}

SimulationScenario SimulationScenario::Load(const std::string& strFile) {
    const std::string strNoValues = ", running with no scripted values";
    if (!FileExists(strFile)) {
        LogMessage("Simulation: no scenario file " + strFile + strNoValues);
        return {};
    }
    CsvReader reader;
    reader.FileName(strFile);
    reader.MaxCols(kColumns);
    reader.OpenCSV();
    // Parsed line by line: a scenario of millions of lines is never held as text.
    SimulationScenario scenario;
    std::vector<std::string> row(kColumns);
    std::size_t nLine = 0;
    std::string strError;
    while (strError.empty() && reader.ReadLine()) {
        ++nLine;
        if (StopRequest::Raised()) {
            strError = "broken off at line " + std::to_string(nLine) + " by a stop request";
            break;
        }
        for (int i = 0; i < kColumns; ++i) row[static_cast<std::size_t>(i)] = reader.Field(i);
        strError = scenario.AddRow(nLine, row);
    }
    if (strError.empty() && !reader.EndOfFile()) {
        // The reader stops without reaching the end only on a line it cannot split.
        strError = "line " + std::to_string(nLine + 1) + ": cannot be read (unclosed quote?)";
    } else if (strError.empty() && nLine == 0) {
        strError = kNoHeader;
    }
    if (strError.empty()) {
        scenario.PutInTimeOrder();
        return scenario;
    }
    LogMessage("Simulation: scenario file " + strFile + " " + strError + strNoValues);
    return {};
}

const ItemScript* SimulationScenario::Script(const std::string& strItem) const {
    const auto found = m_Items.find(LowerCase(strItem));
    return found == m_Items.end() ? nullptr : &found->second;
}

ItemScript& SimulationScenario::ScriptOf(const std::string& strItem) {
    return m_Items[LowerCase(strItem)];
}

}  // namespace tarnel
