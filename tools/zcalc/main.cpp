#include <CLI/CLI.hpp>
#include <iostream>

#include "tools/zcalc/Zcalc.h"

int main(int argc, char** argv) {
    CLI::App app{
        "zcalc: gas compressibility factor Z and molar volumes (Peng-Robinson).\n"
        "  zcalc gas    < rows of T_K,P_barA,Tcrit_K,Pcrit_barA,AcentricFactor"
        "[,MaxIterations,MinAccuracy]\n"
        "  zcalc stream < rows of P,EuPressure,T,EuTemperature,Pcrit,Tcrit,AcentricFactor"
        "[,QualityP,QualityT]\n"
        "  zcalc --T-K 300 --P-barA 10 --Tcrit-K 369.83 --Pcrit-barA 42.48 --acentric 0.152"};
    app.require_subcommand(0, 1);
    auto* gas = app.add_subcommand("gas", "evaluate CSV rows from standard input with one Gas");
    auto* stream = app.add_subcommand("stream", "evaluate CSV rows as streams, one each");

    tarnel::StatePointInput point;
    double tDegC = 0;
    auto* tK = app.add_option("--T-K", point.T_K, "temperature, K");
    auto* tC = app.add_option("--T-degC", tDegC, "temperature, deg C")->excludes(tK);
    auto* p = app.add_option("--P-barA", point.P_barA, "pressure, bar absolute");
    auto* tc = app.add_option("--Tcrit-K", point.Tcrit_K, "critical temperature, K");
    auto* pc = app.add_option("--Pcrit-barA", point.Pcrit_barA, "critical pressure, bar absolute");
    app.add_option("--acentric", point.AcentricFactor, "acentric factor (default 0)");
    CLI11_PARSE(app, argc, argv);

    if (gas->parsed()) return tarnel::ZcalcGas(std::cin, std::cout, std::cerr);
    if (stream->parsed()) return tarnel::ZcalcStream(std::cin, std::cout, std::cerr);
    if (p->count() == 0 || tc->count() == 0 || pc->count() == 0 ||
        (tK->count() == 0 && tC->count() == 0)) {
        std::cerr << "zcalc: give gas, stream, or a state point with --T-K or --T-degC, "
                     "--P-barA, --Tcrit-K and --Pcrit-barA\n"
                  << app.help();
        return 1;
    }
    if (tC->count() != 0) point.T_K = tDegC + 273.15;
    return tarnel::ZcalcStatePoint(point, std::cout);
}
