#include "service/providers/modbus/ModbusBlocks.h"

#include <algorithm>
#include <numeric>
#include <tuple>

namespace tarnel {

namespace {

auto Key(const ModbusAddress& a) { return std::tuple(a.nUnit, a.table, a.nAddress, a.Width()); }

bool Extends(const ModbusBlock& block, const ModbusAddress& a, const ModbusLimits& limits) {
    if (block.nUnit != a.nUnit || block.table != a.table) return false;
    const int nEnd = block.nStart + block.nCount;
    const int nNewEnd = std::max(nEnd, a.nAddress + a.Width());
    const int nMax = a.IsBitTable() ? limits.nMaxBits : limits.nMaxRegisters;
    return a.nAddress - nEnd <= limits.nMaxGap && nNewEnd - block.nStart <= nMax;
}

}  // namespace

std::vector<ModbusBlock> PlanBlocks(const std::vector<ModbusAddress>& addresses,
                                    const ModbusLimits& limits, std::vector<ModbusPlace>& places) {
    std::vector<std::size_t> order(addresses.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(),
              [&](std::size_t i, std::size_t j) { return Key(addresses[i]) < Key(addresses[j]); });
    std::vector<ModbusBlock> blocks;
    places.assign(addresses.size(), {});
    for (const std::size_t i : order) {
        const ModbusAddress& a = addresses[i];
        if (blocks.empty() || !Extends(blocks.back(), a, limits)) {
            blocks.push_back({a.nUnit, a.table, a.nAddress, 0});
        }
        ModbusBlock& block = blocks.back();
        block.nCount = std::max(block.nCount, a.nAddress + a.Width() - block.nStart);
        places[i] = {blocks.size() - 1, a.nAddress - block.nStart};
    }
    return blocks;
}

}  // namespace tarnel
