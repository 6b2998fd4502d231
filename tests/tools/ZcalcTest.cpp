#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "tools/zcalc/Zcalc.h"

namespace tarnel {
namespace {

struct Outcome {
    int status;
    std::string out, err;
};

Outcome Gas(const std::string& input) {
    std::istringstream in(input);
    std::ostringstream out, err;
    const int status = ZcalcGas(in, out, err);
    return {status, out.str(), err.str()};
}

Outcome Stream(const std::string& input) {
    std::istringstream in(input);
    std::ostringstream out, err;
    const int status = ZcalcStream(in, out, err);
    return {status, out.str(), err.str()};
}

TEST(ZcalcGas, OneObjectForAllRowsKeepsVolumesOfRefusedRows) {
    const Outcome r =
        Gas("T_K,P_barA,Tcrit_K,Pcrit_barA,AcentricFactor,MaxIterations,MinAccuracy\r\n"
            "288.15,1.01325,190.56,45.99,0.011,20,0.00001\r\n"
            "288.15,1.01325,190.56,45.99,0.011,1,0.00001\r\n"
            "300,10,369.83,0,0.152,20,0.00001\r\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "Z,VapourVolume,LiquidVolume,NumIterations\n"
              "0.99748788000047495,23585.53742597342,0,20\n"
              "174.58434691872503,4128035.7694559218,0,1\n"
              "-1,4128035.7694559218,0,1\n");
}

TEST(ZcalcGas, WithoutOptionalColumnsUsesTheServiceSettings) {
    const Outcome r =
        Gas("T_K,P_barA,Tcrit_K,Pcrit_barA,AcentricFactor\n"
            "288.15,0.3,190.56,45.99,0.011\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\n0.99925554"), std::string::npos) << r.out;
}

TEST(ZcalcGas, MalformedRowsAreReportedSkippedAndFailTheRun) {
    const Outcome r =
        Gas("T_K,P_barA,Tcrit_K,Pcrit_barA,AcentricFactor\n"
            "300,10,369.83,42.48\n"
            "300,ten,369.83,42.48,0.152\n"
            "\n"
            "300,10,369.83,42.48,0.152\n"
            "300,10,369.83,42.48,0.152e\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "zcalc: line 2: expected 5 columns, found 4; row skipped\n"
              "zcalc: line 3: column P_barA: \"ten\" is not a number; row skipped\n"
              "zcalc: line 6: column AcentricFactor: \"0.152e\" is not a number; row skipped\n");
    EXPECT_EQ(r.out,
              "Z,VapourVolume,LiquidVolume,NumIterations\n"
              "0.8146260144999643,2031.9623992679863,86.767794703836501,7\n");
}

TEST(ZcalcGas, WrongHeaderComputesNothing) {
    for (const char* input : {"", "T,P,Tc,Pc,w\n300,10,369.83,42.48,0.152\n",
                              "T_K,P_barA,Tcrit_K,Pcrit_barA,AcentricFactor,MaxIterations\n"}) {
        const Outcome r = Gas(input);
        EXPECT_EQ(r.status, 1) << input;
        EXPECT_EQ(r.out, "") << input;
        EXPECT_NE(r.err.find("line "), std::string::npos) << input;
    }
}

TEST(ZcalcStream, EachRowIsAFreshStream) {
    const Outcome r = Stream(
        "P,EuPressure,T,EuTemperature,Pcrit,Tcrit,AcentricFactor,QualityP,QualityT\n"
        "500,psig,60,deg F,667,343,0.011,192,192\n"
        "10,bara,300,K,42.48,369.83,0.152,192,192\n"
        "0,bar,15,deg C,45.99,190.56,0.011,0,192\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "Z,VapourVol,LiquidVol,Status,PcritBar,TcritK,EuPressure,EuPcrit,EuTemperature,"
              "EuTcrit\n"
              "0.91731602,620.498047,0,1,45.988043108791715,190.55555555555546,psi (g),psi (a),"
              "deg F,R\n"
              "-1,2031.9624,86.7677917,-5,42.479999999999997,369.82999999999998,bar (a),bar (a),"
              "K,K\n"
              "-1,0,0,-2,45.990000000000002,190.56,bar (g),bar (a),deg C,K\n");
}

TEST(ZcalcStream, QuotedUnquotedAndMixedCsvGiveTheSameResults) {
    const std::string expected =
        "Z,VapourVol,LiquidVol,Status,PcritBar,TcritK,EuPressure,EuPcrit,EuTemperature,EuTcrit\n"
        "0.91731602,620.498047,0,1,45.988043108791715,190.55555555555546,psi (g),psi (a),deg F,R\n";
    for (const char* input :
         {"P,EuPressure,T,EuTemperature,Pcrit,Tcrit,AcentricFactor\n"
          "500,psig,60,deg F,667,343,0.011\n",
          "P,EuPressure,T,EuTemperature,Pcrit,Tcrit,AcentricFactor\n"
          "500,\"psig\",60,\"deg F\",667,343,0.011\n",
          "\xEF\xBB\xBF\"P\",\"EuPressure\",\"T\",\"EuTemperature\",\"Pcrit\",\"Tcrit\","
          "\"AcentricFactor\"\r\n\"500\",\"psig\",\"60\",\"deg F\",\"667\",\"343\",\"0.011\"\r\n",
          "P,EuPressure,T,EuTemperature,Pcrit,Tcrit,AcentricFactor\r\n"
          " 500 , \"psig\" ,60,deg F,\"667\",343, 0.011\r\n"}) {
        const Outcome r = Stream(input);
        EXPECT_EQ(r.status, 0) << input;
        EXPECT_EQ(r.err, "") << input;
        EXPECT_EQ(r.out, expected) << input;
    }
}

TEST(ZcalcStream, AQuotedUnitTextReachesTheStreamWithItsBlanks) {
    // " psia" does not begin with psi, so the stream's rules make it bar absolute.
    const Outcome r = Stream(
        "P,EuPressure,T,EuTemperature,Pcrit,Tcrit,AcentricFactor\n"
        "10,\" psia\",300,K,42.48,369.83,0.152\n");
    EXPECT_NE(r.out.find(",bar (a),bar (a),K,K\n"), std::string::npos) << r.out;
}

TEST(ZcalcStream, MalformedLinesAreReportedAndNothingIsComputedFromThem) {
    const Outcome r = Stream(
        "P,EuPressure,T,EuTemperature,Pcrit,Tcrit,AcentricFactor\n"
        "500,\"psi\"g,60,deg F,667,343,0.011\n"
        "500,psi\"g,60,deg F,667,343,0.011\n"
        "\"500 \",psig,60,deg F,667,343,0.011\n"
        "500,psig,60,deg F,667,343,0.011\n"
        "500,\"psig,60,deg F,667,343,0.011\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "zcalc: line 2: text after a closing quote; row skipped\n"
              "zcalc: line 3: a quote inside an unquoted field; row skipped\n"
              "zcalc: line 4: column P: \"500 \" is not a number; row skipped\n"
              "zcalc: line 6: unterminated quote; row skipped\n");
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 2) << r.out;
}

TEST(ZcalcGasColumn, BuiltInConstantsInPlaceOfTheThreeColumns) {
    const Outcome gas = Gas("T_K,P_barA,Gas\n300,10,propane\n300,10,c3\n300,50,Ar\n300,5,xenon\n");
    EXPECT_EQ(gas.status, 1);
    EXPECT_EQ(gas.out,
              "Z,VapourVolume,LiquidVolume,NumIterations\n"
              "0.8146260144999643,2031.9623992679863,86.767794703836501,7\n"
              "0.8146260144999643,2031.9623992679863,86.767794703836501,7\n"
              "0.96203959165222463,479.93269108754538,0,11\n");
    EXPECT_NE(gas.err.find("line 4: argon: acentric factor -0.002 is below 0, which the component "
                           "refuses; 0 is used\n"),
              std::string::npos)
        << gas.err;
    EXPECT_NE(
        gas.err.find("line 5: column Gas: unknown gas \"xenon\"; known gases: methane (C1), "),
        std::string::npos)
        << gas.err;

    // A stream takes them in its own units and gets the table's values back.
    const Outcome stream = Stream(
        "P,EuPressure,T,EuTemperature,Gas,QualityP,QualityT\n"
        "500,psig,60,deg F,methane,192,192\n3500,kPag,15,deg C,methane,192,192\n");
    EXPECT_EQ(stream.status, 0);
    EXPECT_EQ(stream.out,
              "Z,VapourVol,LiquidVol,Status,PcritBar,TcritK,EuPressure,EuPcrit,EuTemperature,"
              "EuTcrit\n"
              "0.917312562,620.495667,0,1,45.990000000000002,190.56,psi (g),psi (a),deg F,R\n"
              "0.915608346,609.11908,0,1,45.990000000000002,190.56,kPa (g),kPa (a),deg C,K\n");
}

TEST(ZcalcStatePoint, PrintsLabelledResults) {
    std::ostringstream out;
    EXPECT_EQ(ZcalcStatePoint({150, 10, 190.56, 45.99, 0.011}, out), 0);
    EXPECT_EQ(out.str(),
              "Z              0.82508017759141983\n"
              "VapourVolume   1029.0193704875792 cm3/mol\n"
              "LiquidVolume   41.311422638609585 cm3/mol\n"
              "NumIterations  7\n");
    std::ostringstream refused;
    EXPECT_EQ(ZcalcStatePoint({150, 10, 190.56, 0, 0.011}, refused), 1);
    EXPECT_NE(refused.str().find("inputs refused"), std::string::npos);
}

TEST(ZcalcStatePoint, SaysWhenTheResultHadNotSettledInTheStepsAllowed) {
    struct Case {
        double P_barA;
        const char* zLine;
        int status;
    };
    // Both use every step; at 0.05 bar the last step no longer moves Z.
    for (const Case& c : {Case{0.001, "Z              4.2117565526698204  (not converged)\n", 1},
                          Case{0.05, "Z              0.99998334188804405\n", 0}}) {
        std::ostringstream out;
        EXPECT_EQ(ZcalcStatePoint({800, c.P_barA, {369.83, 42.48, 0.152}}, out), c.status);
        EXPECT_EQ(out.str().substr(0, out.str().find('\n') + 1), c.zLine);
        EXPECT_NE(out.str().find("NumIterations  30\n"), std::string::npos) << out.str();
    }
}

TEST(ZcalcStatePoint, GasByNameOrAlias) {
    StatePointInput input{300, 10, {}};
    std::ostringstream out, err;
    EXPECT_TRUE(UseGas("PROPANE", input, out, err));
    EXPECT_EQ(input.Constants.Tcrit_K, 369.83);
    EXPECT_EQ(input.Constants.Pcrit_barA, 42.48);
    EXPECT_EQ(input.Constants.AcentricFactor, 0.152);
    EXPECT_TRUE(UseGas("He", input, out, err));
    EXPECT_EQ(input.Constants.AcentricFactor, 0.0);
    EXPECT_EQ(err.str(),
              "zcalc: helium: acentric factor -0.39 is below 0, which the component refuses; 0 is "
              "used\n");
    std::ostringstream unknownOut, unknownErr;
    EXPECT_FALSE(UseGas("propylene", input, unknownOut, unknownErr));
    EXPECT_NE(unknownErr.str().find("water (H2O), helium (He)\n"), std::string::npos);
}

}  // namespace
}  // namespace tarnel
