#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tarnel
