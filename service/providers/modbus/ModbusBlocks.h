#pragma once
#include <cstddef>
#include <vector>

#include "service/providers/modbus/ModbusAddress.h"

namespace tarnel {

// One read: a run of registers (or bits) of one table of one unit.
struct ModbusBlock {
    int nUnit = 1;
    ModbusAddress::Table table = ModbusAddress::Table::Holding;
    int nStart = 0;
    int nCount = 0;

    bool operator==(const ModbusBlock&) const = default;
};

struct ModbusLimits {
    int nMaxRegisters = 125;
    int nMaxBits = 2000;
    int nMaxGap = 0;
};

// Where one address's value is found: its block and its offset in it.
struct ModbusPlace {
    std::size_t nBlock = 0;
    int nOffset = 0;
};

// The fewest reads that cover every address within the limits: addresses in
// order, each block taking the next while it stays within the largest read
// and bridges no more than the gap. places gets one entry per address.
std::vector<ModbusBlock> PlanBlocks(const std::vector<ModbusAddress>& addresses,
                                    const ModbusLimits& limits, std::vector<ModbusPlace>& places);

}  // namespace tarnel
