#include "service/providers/modbus/ModbusAddress.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

#include "service/base/Numeric.h"
#include "service/base/TextCase.h"
#include "service/providers/modbus/ModbusErrors.h"

namespace tarnel {

namespace {

using Table = ModbusAddress::Table;
using Type = ModbusAddress::Type;

constexpr int kHighestUnit = 247;

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (;;) {
        const auto mark = text.find(separator);
        parts.push_back(text.substr(0, mark));
        if (mark == std::string_view::npos) return parts;
        text.remove_prefix(mark + 1);
    }
}

// Plain decimal digits only: from_chars of an unsigned takes no sign or blank.
// Too many digits for the type is a number too large for any field.
bool ParseWhole(std::string_view text, unsigned long& nValue) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, nValue);
    if (ec == std::errc::result_out_of_range) nValue = ~0ul;
    return !text.empty() && ptr == end &&
           (ec == std::errc() || ec == std::errc::result_out_of_range);
}

// The value a name of the table stands for, in any letter case.
template <typename Value, std::size_t N>
bool FindName(std::string_view text, const std::pair<const char*, Value> (&names)[N],
              Value& value) {
    const std::string name = LowerCase(std::string(text));
    for (const auto& [strName, named] : names) {
        if (name == strName) {
            value = named;
            return true;
        }
    }
    return false;
}

bool ParseTable(std::string_view text, Table& table) {
    static const std::pair<const char*, Table> kTables[] = {{"coil", Table::Coil},
                                                            {"discrete", Table::Discrete},
                                                            {"input", Table::Input},
                                                            {"holding", Table::Holding}};
    return FindName(text, kTables, table);
}

bool ParseType(std::string_view text, Type& type) {
    static const std::pair<const char*, Type> kTypes[] = {
        {"bool", Type::Bool},      {"int16", Type::Int16},   {"uint16", Type::UInt16},
        {"int32", Type::Int32},    {"uint32", Type::UInt32}, {"float32", Type::Float32},
        {"float64", Type::Float64}};
    return FindName(text, kTypes, type);
}

bool ParseOrder(std::string_view text, ModbusAddress& address) {
    const std::string order = LowerCase(std::string(text));
    if (order != "abcd" && order != "cdab" && order != "badc" && order != "dcba") return false;
    address.bWordsReversed = order == "cdab" || order == "dcba";
    address.bBytesSwapped = order == "badc" || order == "dcba";
    return true;
}

// "<type>" or "<type>*<scale>", the scale a finite number other than 0.
HRESULT ParseTypeAndScale(std::string_view text, ModbusAddress& address) {
    const auto star = text.find('*');
    if (!ParseType(text.substr(0, star), address.type)) return MODBUS_E_BAD_TYPE;
    if (star == std::string_view::npos) return S_OK;
    const std::string_view scale = text.substr(star + 1);
    // ParseNumber allows blanks around a number; an item name does not.
    const auto number = scale.empty() || scale.front() == ' ' || scale.back() == ' '
                            ? std::nullopt
                            : ParseNumber(std::string(scale));
    if (!number || *number == 0.0 || !std::isfinite(*number)) return MODBUS_E_BAD_TYPE;
    address.dScale = *number;
    address.bScaled = true;
    return S_OK;
}

HRESULT CheckFit(const ModbusAddress& address, bool bOrdered) {
    const bool bBool = address.type == Type::Bool;
    if (address.IsBitTable() && (!bBool || bOrdered)) return MODBUS_E_TYPE_TABLE;
    if (bBool && address.bScaled) return MODBUS_E_TYPE_TABLE;
    return S_OK;
}

}  // namespace

int ModbusAddress::Width() const {
    switch (type) {
        case Type::Int32:
        case Type::UInt32:
        case Type::Float32:
            return 2;
        case Type::Float64:
            return 4;
        default:
            return 1;
    }
}

const char* TableName(Table table) {
    switch (table) {
        case Table::Coil:
            return "coil";
        case Table::Discrete:
            return "discrete";
        case Table::Input:
            return "input";
        default:
            return "holding";
    }
}

HRESULT ParseAddress(const std::string& strName, ModbusAddress& address) {
    const auto parts = Split(strName, '/');
    if (parts.size() != 4 && parts.size() != 5) return MODBUS_E_BAD_ADDRESS;
    ModbusAddress parsed;
    unsigned long nUnit = 0;
    unsigned long nAddress = 0;
    if (!ParseWhole(parts[0], nUnit)) return MODBUS_E_BAD_ADDRESS;
    if (nUnit > kHighestUnit) return MODBUS_E_BAD_UNIT;
    if (!ParseTable(parts[1], parsed.table)) return MODBUS_E_BAD_TABLE;
    if (!ParseWhole(parts[2], nAddress) || nAddress > 0xFFFF) return MODBUS_E_BAD_ADDRESS;
    HRESULT hr = ParseTypeAndScale(parts[3], parsed);
    if (hr != S_OK) return hr;
    if (parts.size() == 5 && !ParseOrder(parts[4], parsed)) return MODBUS_E_BAD_ORDER;
    hr = CheckFit(parsed, parts.size() == 5);
    if (hr != S_OK) return hr;
    // The whole value within the table's 65,536 addresses.
    if (nAddress + static_cast<unsigned long>(parsed.Width()) > 0x10000)
        return MODBUS_E_BAD_ADDRESS;
    parsed.nUnit = static_cast<int>(nUnit);
    parsed.nAddress = static_cast<std::uint16_t>(nAddress);
    address = parsed;
    return S_OK;
}

}  // namespace tarnel
