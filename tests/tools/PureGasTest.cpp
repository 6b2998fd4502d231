#include <gtest/gtest.h>

#include <set>

#include "tools/zcalc/PureGas.h"

namespace tarnel {
namespace {

// Catches a mistyped value: along the n-alkanes the critical temperature and
// the acentric factor rise and, from ethane on, the critical pressure falls;
// each isomer has a lower critical temperature than its straight chain.
TEST(PureGas, TableIsCompleteAndConsistent) {
    const auto& gases = PureGases();
    EXPECT_GE(gases.size(), 20u);
    std::set<std::string> names;
    for (const PureGas& gas : gases) {
        EXPECT_TRUE(names.insert(gas.Name).second) << gas.Name;
        EXPECT_TRUE(names.insert(gas.Alias).second) << gas.Alias;
        EXPECT_GT(gas.Published.Tcrit_K, 0) << gas.Name;
        EXPECT_GT(gas.Published.Pcrit_barA, 0) << gas.Name;
        EXPECT_GT(std::string(gas.Source).size(), 20u) << gas.Name;
        EXPECT_EQ(FindPureGas(gas.Name), &gas);
    }
    const char* alkanes[] = {"C1", "C2", "C3", "nC4", "nC5", "nC6", "nC7", "nC8", "nC9", "nC10"};
    for (std::size_t i = 1; i < std::size(alkanes); ++i) {
        const auto& lighter = FindPureGas(alkanes[i - 1])->Published;
        const auto& heavier = FindPureGas(alkanes[i])->Published;
        EXPECT_GT(heavier.Tcrit_K, lighter.Tcrit_K) << alkanes[i];
        EXPECT_GT(heavier.AcentricFactor, lighter.AcentricFactor) << alkanes[i];
        if (i > 1) {
            EXPECT_LT(heavier.Pcrit_barA, lighter.Pcrit_barA) << alkanes[i];
        }
    }
    EXPECT_LT(FindPureGas("iC4")->Published.Tcrit_K, FindPureGas("nC4")->Published.Tcrit_K);
    EXPECT_LT(FindPureGas("iC5")->Published.Tcrit_K, FindPureGas("nC5")->Published.Tcrit_K);
}

}  // namespace
}  // namespace tarnel
