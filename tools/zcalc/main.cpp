#include <CLI/CLI.hpp>
#include <iostream>

#include "eos/UnitFactors.h"
#include "tools/zcalc/PureGas.h"
#include "tools/zcalc/Zcalc.h"

namespace {

constexpr const char* kExamples = R"(Examples:
  zcalc --T-K 300 --P-barA 10 --Tcrit-K 369.83 --Pcrit-barA 42.48 --acentric 0.152
  zcalc --T-degC 15 --P-barA 1.01325 --gas methane
  zcalc gas < examples/states.csv
  printf 'P,EuPressure,T,EuTemperature,Gas\n500,psig,60,deg F,methane\n' | zcalc stream
  zcalc mix methane=0.90,ethane=0.06,propane=0.03,nitrogen=0.01
Each command has its own help, e.g. zcalc mix --help.)";

constexpr const char* kGasHelp = R"(Reads CSV from standard input with the header
  T_K,P_barA,Tcrit_K,Pcrit_barA,AcentricFactor[,MaxIterations,MinAccuracy]
or, with the constants of a built-in gas,
  T_K,P_barA,Gas[,MaxIterations,MinAccuracy]
and prints Z,VapourVolume,LiquidVolume,NumIterations for every row, evaluated
in order with one Gas object. Without the last two columns it asks for at most
30 Newton steps and a residual of 0.00001, as the service does.
Examples:
  zcalc gas < examples/states.csv
  printf 'T_K,P_barA,Gas\n300,10,propane\n' | zcalc gas)";

constexpr const char* kStreamHelp = R"(Reads CSV from standard input with the header
  P,EuPressure,T,EuTemperature,Pcrit,Tcrit,AcentricFactor[,QualityP,QualityT]
or, with the constants of a built-in gas,
  P,EuPressure,T,EuTemperature,Gas[,QualityP,QualityT]
and prints Z,VapourVol,LiquidVol,Status,PcritBar,TcritK,EuPressure,EuPcrit,
EuTemperature,EuTcrit for every row, each a fresh stream with one calculation.
Pcrit is in the stream's pressure unit (absolute), Tcrit in K (in R with deg F).
Examples:
  printf 'P,EuPressure,T,EuTemperature,Pcrit,Tcrit,AcentricFactor\n500,psig,60,deg F,667,343,0.011\n' | zcalc stream
  printf 'P,EuPressure,T,EuTemperature,Gas\n10,bara,300,K,nitrogen\n' | zcalc stream)";

constexpr const char* kMixHelp =
    R"(Prints the pseudo-critical temperature and pressure (Kay's rule) and the
mole-fraction-weighted acentric factor of a mixture of built-in gases, and a
line for the stream-definition file with the constants in its units. Fractions
that do not sum to 1 are scaled to sum to 1, with a warning.
Examples:
  zcalc mix methane=0.90,ethane=0.06,propane=0.03,nitrogen=0.01
  zcalc mix C1=0.95,CO2=0.05 --pressure-unit psig --temperature-unit "deg F")";

struct MixArguments {
    std::string composition;
    std::string pressureUnit = "barg";
    std::string temperatureUnit = "deg C";
};

CLI::App* AddMix(CLI::App& app, MixArguments& args) {
    auto* mix = app.add_subcommand("mix", "pseudo-critical constants of a gas mixture");
    mix->footer(kMixHelp);
    mix->add_option("composition", args.composition, "gas=fraction,... e.g. C1=0.9,C2=0.1")
        ->required();
    mix->add_option("--pressure-unit", args.pressureUnit,
                    "pressure unit of the stream line, e.g. bara, kPag, psia")
        ->capture_default_str();
    mix->add_option("--temperature-unit", args.temperatureUnit,
                    "temperature unit of the stream line: K, deg C or deg F")
        ->capture_default_str();
    return mix;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"zcalc: gas compressibility factor Z and molar volumes (Peng-Robinson)."};
    app.footer(std::string(kExamples) +
               "\nBuilt-in gases (name or alias): " + tarnel::KnownGasNames() + '.');
    app.require_subcommand(0, 1);
    auto* gas = app.add_subcommand("gas", "evaluate CSV rows from standard input with one Gas");
    gas->footer(kGasHelp);
    auto* stream = app.add_subcommand("stream", "evaluate CSV rows as streams, one each");
    stream->footer(kStreamHelp);
    MixArguments mixArgs;
    auto* mix = AddMix(app, mixArgs);

    tarnel::StatePointInput point;
    double tDegC = 0;
    std::string gasName;
    auto* tK = app.add_option("--T-K", point.T_K, "temperature, K, e.g. 288.15");
    auto* tC = app.add_option("--T-degC", tDegC, "temperature, deg C, e.g. 15")->excludes(tK);
    auto* p = app.add_option("--P-barA", point.P_barA, "pressure, bar absolute, e.g. 1.01325");
    auto* tc = app.add_option("--Tcrit-K", point.Constants.Tcrit_K,
                              "critical temperature, K, e.g. 190.56");
    auto* pc = app.add_option("--Pcrit-barA", point.Constants.Pcrit_barA,
                              "critical pressure, bar absolute, e.g. 45.99");
    auto* omega = app.add_option("--acentric", point.Constants.AcentricFactor,
                                 "acentric factor (default 0), e.g. 0.011");
    auto* named = app.add_option("--gas", gasName,
                                 "a built-in gas in place of the three constants, e.g. methane")
                      ->excludes(tc)
                      ->excludes(pc)
                      ->excludes(omega);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : 1;  // help is 0, every invalid command line 1
    }

    if (gas->parsed()) return tarnel::ZcalcGas(std::cin, std::cout, std::cerr);
    if (stream->parsed()) return tarnel::ZcalcStream(std::cin, std::cout, std::cerr);
    if (mix->parsed())
        return tarnel::ZcalcMix(mixArgs.composition, mixArgs.pressureUnit, mixArgs.temperatureUnit,
                                std::cout, std::cerr);
    const bool constants = named->count() != 0 || (tc->count() != 0 && pc->count() != 0);
    if (p->count() == 0 || !constants || (tK->count() == 0 && tC->count() == 0)) {
        std::cerr << "zcalc: give gas, stream, mix, or a state point with --T-K or --T-degC, "
                     "--P-barA, and --gas or --Tcrit-K and --Pcrit-barA\n"
                  << app.help();
        return 1;
    }
    if (tC->count() != 0) point.T_K = tDegC + tarnel::kCelsiusOffset;
    if (named->count() != 0 && !tarnel::UseGas(gasName, point, std::cout, std::cerr)) return 1;
    return tarnel::ZcalcStatePoint(point, std::cout);
}
