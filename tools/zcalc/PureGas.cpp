#include "tools/zcalc/PureGas.h"

#include <algorithm>
#include <cctype>

namespace tarnel {

namespace {

// Critical temperature (K), critical pressure (bar) and acentric factor as
// tabulated in the property data bank of this compilation.
constexpr const char* kPoling =
    "B. E. Poling, J. M. Prausnitz, J. P. O'Connell, The Properties of Gases and Liquids, "
    "5th ed., McGraw-Hill 2001, Appendix A";

bool SameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

}  // namespace

const std::vector<PureGas>& PureGases() {
    static const std::vector<PureGas> gases{
        {"methane", "C1", {190.56, 45.99, 0.011}, kPoling},
        {"ethane", "C2", {305.32, 48.72, 0.099}, kPoling},
        {"propane", "C3", {369.83, 42.48, 0.152}, kPoling},
        {"isobutane", "iC4", {407.85, 36.40, 0.186}, kPoling},
        {"n-butane", "nC4", {425.12, 37.96, 0.200}, kPoling},
        {"isopentane", "iC5", {460.39, 33.81, 0.229}, kPoling},
        {"n-pentane", "nC5", {469.70, 33.70, 0.252}, kPoling},
        {"n-hexane", "nC6", {507.60, 30.25, 0.300}, kPoling},
        {"n-heptane", "nC7", {540.20, 27.40, 0.350}, kPoling},
        {"n-octane", "nC8", {568.70, 24.90, 0.399}, kPoling},
        {"n-nonane", "nC9", {594.60, 22.90, 0.445}, kPoling},
        {"n-decane", "nC10", {617.70, 21.10, 0.490}, kPoling},
        {"nitrogen", "N2", {126.20, 33.98, 0.037}, kPoling},
        {"carbon-dioxide", "CO2", {304.12, 73.74, 0.225}, kPoling},
        {"hydrogen-sulfide", "H2S", {373.40, 89.63, 0.090}, kPoling},
        {"hydrogen", "H2", {33.19, 13.13, -0.216}, kPoling},
        {"oxygen", "O2", {154.58, 50.43, 0.022}, kPoling},
        {"argon", "Ar", {150.86, 48.98, -0.002}, kPoling},
        {"carbon-monoxide", "CO", {132.85, 34.94, 0.045}, kPoling},
        {"water", "H2O", {647.14, 220.64, 0.344}, kPoling},
        {"helium", "He", {5.19, 2.27, -0.390}, kPoling},
    };
    return gases;
}

const PureGas* FindPureGas(std::string_view name) {
    for (const PureGas& gas : PureGases())
        if (SameName(name, gas.Name) || SameName(name, gas.Alias)) return &gas;
    return nullptr;
}

std::string KnownGasNames() {
    std::string names;
    for (const PureGas& gas : PureGases()) {
        if (!names.empty()) names += ", ";
        names.append(gas.Name).append(" (").append(gas.Alias).append(")");
    }
    return names;
}

std::string UnknownGasMessage(std::string_view name) {
    return "unknown gas \"" + std::string(name) + "\"; known gases: " + KnownGasNames();
}

}  // namespace tarnel
