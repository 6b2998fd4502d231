#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "tools/zcalc/CriticalConstants.h"

namespace tarnel {

// One gas of the built-in table: its name, its formula or short name, its
// published critical constants and acentric factor, and where they come from.
struct PureGas {
    const char* Name;
    const char* Alias;
    CriticalConstants Published;
    const char* Source;
};

// Every gas of the table, in its order.
const std::vector<PureGas>& PureGases();

// The gas called name or alias, letter case ignored; nullptr when there is none.
const PureGas* FindPureGas(std::string_view name);

// "methane (C1), ethane (C2), ...": every name with its alias.
std::string KnownGasNames();

// "unknown gas "x"; known gases: methane (C1), ethane (C2), ..." for messages.
std::string UnknownGasMessage(std::string_view name);

}  // namespace tarnel
