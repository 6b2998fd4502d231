#include "tools/zcalc/Zcalc.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <ostream>

#include "eos/Gas.h"
#include "service/streams/TarnelTag.h"
#include "tools/zcalc/RowReader.h"

namespace tarnel {

namespace {

// What the service asks of the component (more steps than the component's default).
constexpr std::int32_t kServiceSteps = 30;
constexpr double kServiceAccuracy = 0.00001;

std::string Digits(double v, int digits) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*g", digits, v);
    return buffer;
}

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
    gas.put_Tcrit_K(s.Tcrit_K);
    gas.put_Pcrit_barA(s.Pcrit_barA);
    gas.put_AcentricFactor(s.AcentricFactor);
    gas.put_MaxIterations(maxIterations);
    gas.put_MinAccuracy(accuracy);
    GasResult r;
    gas.get_Z(&r.z);
    gas.get_VapourVolume(&r.vapour);
    gas.get_LiquidVolume(&r.liquid);
    gas.get_NumIterations(&r.iterations);
    return r;
}

}  // namespace

int ZcalcGas(std::istream& in, std::ostream& out, std::ostream& err) {
    RowReader reader(in, err, {"T_K", "P_barA", "Tcrit_K", "Pcrit_barA", "AcentricFactor"},
                     {"MaxIterations", "MinAccuracy"});
    if (!reader.ReadHeader()) return 1;
    out << "Z,VapourVolume,LiquidVolume,NumIterations\n";
    Gas gas;
    while (auto row = reader.Next()) {
        const auto T = reader.Double(*row, 0), P = reader.Double(*row, 1),
                   Tc = reader.Double(*row, 2), Pc = reader.Double(*row, 3),
                   omega = reader.Double(*row, 4);
        std::optional<std::int32_t> steps = kServiceSteps;
        std::optional<double> accuracy = kServiceAccuracy;
        if (reader.HasOptionalColumns()) {
            steps = reader.Integer(*row, 5);
            accuracy = reader.Double(*row, 6);
        }
        if (!T || !P || !Tc || !Pc || !omega || !steps || !accuracy) continue;
        const GasResult r = Evaluate(gas, {*T, *P, *Tc, *Pc, *omega}, ToShort(*steps), *accuracy);
        out << D17(r.z) << ',' << D17(r.vapour) << ',' << D17(r.liquid) << ',' << r.iterations
            << '\n';
    }
    return reader.HadErrors() ? 1 : 0;
}

int ZcalcStream(std::istream& in, std::ostream& out, std::ostream& err) {
    RowReader reader(in, err,
                     {"P", "EuPressure", "T", "EuTemperature", "Pcrit", "Tcrit", "AcentricFactor"},
                     {"QualityP", "QualityT"});
    if (!reader.ReadHeader()) return 1;
    out << "Z,VapourVol,LiquidVol,Status,PcritBar,TcritK,EuPressure,EuPcrit,EuTemperature,"
           "EuTcrit\n";
    Gas gas;
    BadValueHelper helper;
    const StreamServices services{&gas, &helper, nullptr};
    while (auto row = reader.Next()) {
        const auto P = reader.Float(*row, 0), T = reader.Float(*row, 2);
        const auto Pc = reader.Double(*row, 4), Tc = reader.Double(*row, 5),
                   omega = reader.Double(*row, 6);
        std::optional<std::int32_t> qualityP = 192, qualityT = 192;
        if (reader.HasOptionalColumns()) {
            qualityP = reader.Integer(*row, 7);
            qualityT = reader.Integer(*row, 8);
        }
        if (!P || !T || !Pc || !Tc || !omega || !qualityP || !qualityT) continue;

        TarnelTag tag(services);
        tag.EuPressure((*row)[1]);
        tag.EuTemperature((*row)[3]);
        tag.Pcrit(*Pc);
        tag.Tcrit(*Tc);
        tag.AcentricFactor(*omega);
        tag.IndexP(0);
        tag.IndexT(1);
        tag.UpdateFromClient(0, *P, *qualityP);
        tag.UpdateFromClient(1, *T, *qualityT);
        tag.CalculateZ();
        out << F9(tag.Z()) << ',' << F9(tag.VapourVol()) << ',' << F9(tag.LiquidVol()) << ','
            << tag.Status() << ',' << D17(tag.PcritBar()) << ',' << D17(tag.TcritK()) << ','
            << tag.EuPressure() << ',' << tag.EuPcrit() << ',' << tag.EuTemperature() << ','
            << tag.EuTcrit() << '\n';
    }
    return reader.HadErrors() ? 1 : 0;
}

int ZcalcStatePoint(const StatePointInput& input, std::ostream& out) {
    Gas gas;
    const GasResult r = Evaluate(gas, input, kServiceSteps, kServiceAccuracy);
    out << "Z              " << D17(r.z) << (r.z == -1.0 ? "  (inputs refused)" : "") << '\n'
        << "VapourVolume   " << D17(r.vapour) << " cm3/mol\n"
        << "LiquidVolume   " << D17(r.liquid) << " cm3/mol\n"
        << "NumIterations  " << r.iterations << '\n';
    return r.z == -1.0 ? 1 : 0;
}

}  // namespace tarnel
