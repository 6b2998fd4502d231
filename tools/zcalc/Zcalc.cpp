#include "tools/zcalc/Zcalc.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <ostream>

#include "eos/Gas.h"
#include "eos/NewtonLimits.h"
#include "service/streams/TarnelTag.h"
#include "tools/zcalc/CsvRow.h"
#include "tools/zcalc/Digits.h"
#include "tools/zcalc/PureGas.h"
#include "tools/zcalc/RowReader.h"

namespace tarnel {

namespace {

std::string D17(double v) { return Digits(v, 17); }
std::string F9(double v) { return Digits(v, 9); }

short ToShort(std::int32_t v) {
    return static_cast<short>(std::clamp<std::int32_t>(v, std::numeric_limits<short>::min(),
                                                       std::numeric_limits<short>::max()));
}

struct GasResult {
    double z = 0, vapour = 0, liquid = 0;
    short iterations = 0;
};

GasResult Evaluate(Gas& gas, const StatePointInput& s, short maxIterations, double accuracy) {
    gas.put_T_K(s.T_K);
    gas.put_P_barA(s.P_barA);
    gas.put_Tcrit_K(s.Constants.Tcrit_K);
    gas.put_Pcrit_barA(s.Constants.Pcrit_barA);
    gas.put_AcentricFactor(s.Constants.AcentricFactor);
    gas.put_MaxIterations(maxIterations);
    gas.put_MinAccuracy(accuracy);
    GasResult r;
    gas.get_Z(&r.z);
    gas.get_VapourVolume(&r.vapour);
    gas.get_LiquidVolume(&r.liquid);
    gas.get_NumIterations(&r.iterations);
    return r;
}

// A result that used every step may still be on its way to the root: it has
// settled, as a stream judges it, when one step fewer gives nearly the same Z.
bool Unsettled(Gas& gas, const StatePointInput& s, const GasResult& r) {
    if (r.iterations != kMaxNewtonSteps) return false;
    const GasResult shorter = Evaluate(gas, s, kMaxNewtonSteps - 1, kNewtonTolerance);
    return std::fabs(shorter.z - r.z) > kSettledZ;
}

// The constants of the built-in gas that the row's Gas column names.
std::optional<CriticalConstants> GasColumn(RowReader& reader) {
    const std::string& name = reader.Text("Gas");
    const PureGas* gas = FindPureGas(name);
    if (gas == nullptr) {
        reader.Report("column Gas: " + UnknownGasMessage(name) + "; row skipped");
        return std::nullopt;
    }
    std::string warning;
    const CriticalConstants constants = gas->Published.ForComponent(gas->Name, warning);
    if (!warning.empty()) reader.Warn(warning);
    return constants;
}

// The row's constants: its three columns, or its gas.
std::optional<CriticalConstants> RowConstants(RowReader& reader) {
    if (reader.Has("Gas")) return GasColumn(reader);
    const auto Tc = reader.Double("Tcrit_K"), Pc = reader.Double("Pcrit_barA"),
               omega = reader.Double("AcentricFactor");
    if (!Tc || !Pc || !omega) return std::nullopt;
    return CriticalConstants{*Tc, *Pc, *omega};
}

// Sets the stream's constants: its three columns, in its own units, or its gas's,
// converted to them. False (reported) when the row does not give them.
bool SetStreamConstants(RowReader& reader, TarnelTag& tag) {
    if (reader.Has("Gas")) {
        const auto gas = GasColumn(reader);
        if (!gas) return false;
        tag.Pcrit(gas->PcritIn(tag.PressureUnit()));
        tag.Tcrit(gas->TcritIn(tag.TemperatureUnit()));
        tag.AcentricFactor(gas->AcentricFactor);
        return true;
    }
    const auto Pc = reader.Double("Pcrit"), Tc = reader.Double("Tcrit"),
               omega = reader.Double("AcentricFactor");
    if (!Pc || !Tc || !omega) return false;
    tag.Pcrit(*Pc);
    tag.Tcrit(*Tc);
    tag.AcentricFactor(*omega);
    return true;
}

}  // namespace

int ZcalcGas(std::istream& in, std::ostream& out, std::ostream& err) {
    RowReader reader(in, err,
                     {{"T_K", "P_barA"},
                      {"Tcrit_K", "Pcrit_barA", "AcentricFactor"},
                      {"MaxIterations", "MinAccuracy"}});
    if (!reader.ReadHeader()) return 1;
    out << "Z,VapourVolume,LiquidVolume,NumIterations\n";
    Gas gas;
    while (reader.Next()) {
        const auto T = reader.Double("T_K"), P = reader.Double("P_barA");
        const auto constants = RowConstants(reader);
        std::optional<std::int32_t> steps = kMaxNewtonSteps;
        std::optional<double> accuracy = kNewtonTolerance;
        if (reader.Has("MaxIterations")) {
            steps = reader.Integer("MaxIterations");
            accuracy = reader.Double("MinAccuracy");
        }
        if (!T || !P || !constants || !steps || !accuracy) continue;
        const GasResult r = Evaluate(gas, {*T, *P, *constants}, ToShort(*steps), *accuracy);
        out << D17(r.z) << ',' << D17(r.vapour) << ',' << D17(r.liquid) << ',' << r.iterations
            << '\n';
    }
    return reader.HadErrors() ? 1 : 0;
}

int ZcalcStream(std::istream& in, std::ostream& out, std::ostream& err) {
    RowReader reader(in, err,
                     {{"P", "EuPressure", "T", "EuTemperature"},
                      {"Pcrit", "Tcrit", "AcentricFactor"},
                      {"QualityP", "QualityT"}});
    if (!reader.ReadHeader()) return 1;
    out << "Z,VapourVol,LiquidVol,Status,PcritBar,TcritK,EuPressure,EuPcrit,EuTemperature,"
           "EuTcrit\n";
    Gas gas;
    BadValueHelper helper;
    const StreamServices services{&gas, &helper, nullptr};
    while (reader.Next()) {
        const auto P = reader.Float("P"), T = reader.Float("T");
        TarnelTag tag(services);
        tag.EuPressure(reader.Text("EuPressure"));
        tag.EuTemperature(reader.Text("EuTemperature"));
        const bool constants = SetStreamConstants(reader, tag);
        std::optional<std::int32_t> qualityP = 192, qualityT = 192;
        if (reader.Has("QualityP")) {
            qualityP = reader.Integer("QualityP");
            qualityT = reader.Integer("QualityT");
        }
        if (!P || !T || !constants || !qualityP || !qualityT) continue;

        tag.IndexP(0);
        tag.IndexT(1);
        tag.UpdateFromClient(0, *P, *qualityP);
        tag.UpdateFromClient(1, *T, *qualityT);
        tag.CalculateZ();
        out << F9(tag.Z()) << ',' << F9(tag.VapourVol()) << ',' << F9(tag.LiquidVol()) << ','
            << tag.Status() << ',' << D17(tag.PcritBar()) << ',' << D17(tag.TcritK()) << ','
            << CsvField(tag.EuPressure()) << ',' << CsvField(tag.EuPcrit()) << ','
            << CsvField(tag.EuTemperature()) << ',' << CsvField(tag.EuTcrit()) << '\n';
    }
    return reader.HadErrors() ? 1 : 0;
}

bool UseGas(const std::string& name, StatePointInput& input, std::ostream& out, std::ostream& err) {
    const PureGas* gas = FindPureGas(name);
    if (gas == nullptr) {
        err << "zcalc: " << UnknownGasMessage(name) << '\n';
        return false;
    }
    std::string warning;
    input.Constants = gas->Published.ForComponent(gas->Name, warning);
    if (!warning.empty()) err << "zcalc: " << warning << '\n';
    out << "Gas            " << gas->Name << ": Tcrit_K " << Digits(input.Constants.Tcrit_K, 10)
        << ", Pcrit_barA " << Digits(input.Constants.Pcrit_barA, 10) << ", AcentricFactor "
        << Digits(input.Constants.AcentricFactor, 10) << '\n'
        << "Source         " << gas->Source << '\n';
    return true;
}

int ZcalcStatePoint(const StatePointInput& input, std::ostream& out) {
    Gas gas;
    const GasResult r = Evaluate(gas, input, kMaxNewtonSteps, kNewtonTolerance);
    const char* note = r.z == -1.0                ? "  (inputs refused)"
                       : Unsettled(gas, input, r) ? "  (not converged)"
                                                  : "";
    out << "Z              " << D17(r.z) << note << '\n'
        << "VapourVolume   " << D17(r.vapour) << " cm3/mol\n"
        << "LiquidVolume   " << D17(r.liquid) << " cm3/mol\n"
        << "NumIterations  " << r.iterations << '\n';
    return *note == '\0' ? 0 : 1;
}

}  // namespace tarnel
