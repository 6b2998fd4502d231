#include <cmath>
#include <iomanip>
#include <ostream>
#include <set>

#include "service/streams/TarnelTag.h"
#include "tools/zcalc/Digits.h"
#include "tools/zcalc/Mixture.h"
#include "tools/zcalc/Zcalc.h"

namespace tarnel {

namespace {

constexpr double kSumTolerance = 1e-6;

std::string D10(double v) { return Digits(v, 10); }

// The unit texts as the stream-definition file writes them, by unit code.
std::string PressureText(const TarnelTag& tag) {
    static const char* const kBases[] = {"bar", "kPa", "psi"};
    const char* const absolute = tag.PressureUnit() == 1 ? "A" : "a";
    return std::string(kBases[tag.PressureUnit()]) + (tag.PressureAbsolute() ? absolute : "g");
}

std::string TemperatureText(const TarnelTag& tag) {
    static const char* const kTexts[] = {"K", "deg C", "deg F"};
    return kTexts[tag.TemperatureUnit()];
}

void PrintMixture(const Mixture& mixture, const CriticalConstants& mixed, std::ostream& out) {
    std::set<std::string> sources;
    for (const Mixture::Part& part : mixture.Parts()) {
        out << "  " << std::left << std::setw(18) << part.Gas->Name << D10(part.Fraction) << '\n';
        sources.insert(part.Gas->Source);
    }
    out << "Pseudo-critical temperature  " << D10(mixed.Tcrit_K) << " K = " << D10(mixed.TcritIn(2))
        << " R\n"
        << "Pseudo-critical pressure     " << D10(mixed.Pcrit_barA)
        << " bar (a) = " << D10(mixed.PcritIn(1)) << " kPa (a) = " << D10(mixed.PcritIn(2))
        << " psi (a)\n"
        << "Acentric factor              " << D10(mixed.AcentricFactor) << '\n';
    for (const std::string& source : sources) out << "Source: " << source << '\n';
}

// A line for the stream-definition file, its constants in the stream's units.
void PrintStreamLine(const Mixture& mixture, const CriticalConstants& usable, const TarnelTag& tag,
                     std::ostream& out) {
    const std::string name = "MIX-1";
    out << "Line for the stream-definition file (pressure " << PressureText(tag) << ", temperature "
        << TemperatureText(tag) << "):\n"
        << name << ",PT-" << name << ",TT-" << name << ",ZI-" << name << ','
        << D10(usable.PcritIn(tag.PressureUnit())) << ','
        << D10(usable.TcritIn(tag.TemperatureUnit())) << ',' << D10(usable.AcentricFactor) << ','
        << PressureText(tag) << ',' << TemperatureText(tag) << ",ZS-" << name << ','
        << mixture.Description() << '\n';
}

}  // namespace

int ZcalcMix(const std::string& composition, const std::string& pressureUnit,
             const std::string& temperatureUnit, std::ostream& out, std::ostream& err) {
    std::string error;
    auto mixture = Mixture::Parse(composition, error);
    if (!mixture) {
        err << "zcalc: mix: " << error << '\n';
        return 1;
    }
    if (std::fabs(mixture->Sum() - 1.0) > kSumTolerance) {
        err << "zcalc: mix: the fractions sum to " << D10(mixture->Sum())
            << "; they are scaled to sum to 1\n";
        mixture->Normalise();
    }
    const CriticalConstants mixed = mixture->PseudoCritical();
    std::string warning;
    const CriticalConstants usable = mixed.ForComponent("the mixture", warning);
    if (!warning.empty()) err << "zcalc: mix: " << warning << '\n';

    const StreamServices services;
    TarnelTag tag(services);
    tag.EuPressure(pressureUnit);
    tag.EuTemperature(temperatureUnit);
    PrintMixture(*mixture, mixed, out);
    PrintStreamLine(*mixture, usable, tag, out);
    return 0;
}

}  // namespace tarnel
