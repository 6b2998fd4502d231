#include "tools/zcalc/CriticalConstants.h"

#include "eos/UnitFactors.h"
#include "tools/zcalc/Digits.h"

namespace tarnel {

namespace {

// The factors a stream converts with, so that its conversion gives these values back.
constexpr double kKiloPascalPerBar = 100.0;

}  // namespace

double CriticalConstants::PcritIn(std::int32_t pressureUnit) const {
    if (pressureUnit == 1) return Pcrit_barA * kKiloPascalPerBar;
    if (pressureUnit == 2) return Pcrit_barA * kPsiPerBar;
    return Pcrit_barA;
}

double CriticalConstants::TcritIn(std::int32_t temperatureUnit) const {
    if (temperatureUnit == 2) return (Tcrit_K - kCelsiusOffset) / kKelvinPerRankine + kRankineOffset;
    return Tcrit_K;
}

CriticalConstants CriticalConstants::ForComponent(const std::string& name,
                                                  std::string& warning) const {
    warning.clear();
    if (!(AcentricFactor < 0)) return *this;
    warning = name + ": acentric factor " + Digits(AcentricFactor, 10) +
              " is below 0, which the component refuses; 0 is used";
    return {Tcrit_K, Pcrit_barA, 0.0};
}

}  // namespace tarnel
