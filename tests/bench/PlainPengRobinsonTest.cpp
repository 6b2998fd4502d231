#include <gtest/gtest.h>

#include <bit>
#include <cstdint>

#include "bench/PlainPengRobinson.h"
#include "eos/Gas.h"

namespace tarnel {
namespace {

struct Point {
    const char* name;
    double T, P, Tc, Pc, omega;
};

void PrintTo(const Point& p, std::ostream* os) { *os << p.name; }

std::uint64_t Bits(double v) { return std::bit_cast<std::uint64_t>(v); }

class PlainTransliteration : public ::testing::TestWithParam<Point> {};

// Every cap from 1 to 30 steps stops the iteration at another iterate, so each
// one compares another result of the same arithmetic.
TEST_P(PlainTransliteration, GivesTheComponentsResultsToTheBit) {
    const Point& p = GetParam();
    Gas gas;
    double vapour = 0, liquid = 0;
    int steps = 0;
    for (short cap = 1; cap <= 30; ++cap) {
        gas.put_AcentricFactor(p.omega);
        gas.put_MaxIterations(cap);
        gas.put_MinAccuracy(0.00001);
        gas.put_P_barA(p.P);
        gas.put_T_K(p.T);
        gas.put_Pcrit_barA(p.Pc);
        gas.put_Tcrit_K(p.Tc);
        double z = 0, gasVapour = 0, gasLiquid = 0;
        short gasSteps = 0;
        gas.get_Z(&z);
        gas.get_VapourVolume(&gasVapour);
        gas.get_LiquidVolume(&gasLiquid);
        gas.get_NumIterations(&gasSteps);
        const double plainZ = PlainPengRobinsonZ(p.T, p.P, p.Tc, p.Pc, p.omega, cap, 0.00001,
                                                 &vapour, &liquid, &steps);
        EXPECT_EQ(Bits(z), Bits(plainZ)) << cap << " steps";
        EXPECT_EQ(Bits(gasVapour), Bits(vapour * 10.0)) << cap << " steps";
        EXPECT_EQ(Bits(gasLiquid), Bits(liquid * 10.0)) << cap << " steps";
        EXPECT_EQ(gasSteps, steps) << cap << " steps";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Points, PlainTransliteration,
    ::testing::Values(Point{"MethaneOneAtm", 288.15, 1.01325, 190.56, 45.99, 0.011},
                      Point{"PropaneThreeRoots", 300, 10, 369.83, 42.48, 0.152},
                      Point{"ColdMethaneThreeRoots", 150, 10, 190.56, 45.99, 0.011},
                      Point{"PropaneVacuum", 800, 0.001, 369.83, 42.48, 0.152},
                      Point{"DenseNitrogen", 150, 300, 126.2, 33.98, 0.037},
                      Point{"SupercriticalCarbonDioxide", 310, 80, 304.21, 73.83, 0.224},
                      Point{"RefusedPressure", 300, 0, 369.83, 42.48, 0.152}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarnel
