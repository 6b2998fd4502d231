#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "eos/Gas.h"
#include "service/streams/TarnelTag.h"

namespace tarnel {
namespace {

struct Species {
    const char* name;
    double Tc, Pc, omega;
};

void PrintTo(const Species& g, std::ostream* os) { *os << g.name; }

// The largest real root of the Peng-Robinson cubic in Z, found in long double
// by bisection on Z^3 - (1 - B) Z^2 + (A - 3B^2 - 2B) Z - (AB - B^2 - B^3).
long double LargestRootZ(const Species& g, long double T, long double P) {
    const long double R = 8.3145L;
    const long double kappa = 0.37464L + 1.54226L * g.omega - 0.26992L * g.omega * g.omega;
    const long double s = 1 + kappa * (1 - std::sqrt(T / g.Tc));
    const long double A = 0.45724L * R * R * g.Tc * g.Tc / g.Pc * s * s * P / (R * T * R * T);
    const long double B = 0.0778L * R * g.Tc / g.Pc * P / (R * T);
    const long double c2 = B - 1, c1 = A - 3 * B * B - 2 * B, c0 = B * B + B * B * B - A * B;
    const auto p = [&](long double z) { return ((z + c2) * z + c1) * z + c0; };
    long double hi = 1 + std::fabs(c2) + std::fabs(c1) + std::fabs(c0);  // beyond every root
    long double lo = -hi;
    const long double d = c2 * c2 - 3 * c1;
    if (d > 0) {
        // Right of the local minimum p rises; when p is not positive there,
        // the largest root is the only sign change to its right.
        const long double zMin = (std::sqrt(d) - c2) / 3;
        if (p(zMin) <= 0) lo = zMin;
    }
    for (int i = 0; i < 200; ++i) {
        const long double mid = (lo + hi) / 2;
        (p(mid) > 0 ? hi : lo) = mid;
    }
    return lo;
}

// The stream's status and Z before non-convergence was checked: the component's
// own result with the stream's cap and tolerance, through the result checks.
bool RawIsValid(const Species& g, double T, double P, float& z) {
    Gas gas;
    gas.put_MaxIterations(30);
    gas.put_MinAccuracy(0.00001);
    gas.put_P_barA(P);
    gas.put_T_K(T);
    gas.put_Pcrit_barA(g.Pc);
    gas.put_Tcrit_K(g.Tc);
    gas.put_AcentricFactor(g.omega);
    double zGas = 0, vapour = 0, liquid = 0;
    gas.get_Z(&zGas);
    gas.get_VapourVolume(&vapour);
    gas.get_LiquidVolume(&liquid);
    z = static_cast<float>(zGas);
    return zGas != -1.0 && static_cast<float>(vapour) > 0 && !(static_cast<float>(liquid) > 0) &&
           z > 0;
}

class ConvergenceGrid : public ::testing::TestWithParam<Species> {};

// 81 pressures from 0.001 to 300 bar (a factor of 1.17 apart) by 66
// temperatures from 150 to 800 K.
TEST_P(ConvergenceGrid, EveryValidZIsTheVapourRootAndNoValidZIsLost) {
    const Species& g = GetParam();
    Gas gas;
    BadValueHelper helper;
    const StreamServices services{&gas, &helper, nullptr};
    TarnelTag tag(services);
    tag.EuPressure("bara");
    tag.EuTemperature("K");
    tag.Pcrit(g.Pc);
    tag.Tcrit(g.Tc);
    tag.AcentricFactor(g.omega);
    tag.IndexP(0);
    tag.IndexT(1);
    std::vector<std::string> faults;
    int wrongBefore = 0;
    for (int i = 0; i <= 80; ++i) {
        for (int k = 0; k <= 65; ++k) {
            tag.UpdateFromClient(0, static_cast<float>(0.001 * std::pow(3e5, i / 80.0)), 192);
            tag.UpdateFromClient(1, static_cast<float>(150 + 10 * k), 192);
            tag.CalculateZ();
            const double P = tag.PressureBarA(), T = tag.TemperatureK();
            const long double root = LargestRootZ(g, T, P);
            float raw = 0;
            const bool rawValid = RawIsValid(g, T, P, raw);
            if (rawValid && std::fabs(raw - root) > 1e-6L) ++wrongBefore;
            std::ostringstream state;
            state << P << " bar " << T << " K: status " << tag.Status() << ", Z " << tag.Z();
            if (tag.Status() == 1 && std::fabs(tag.Z() - root) > 1e-6L) {
                faults.push_back(state.str() + ", root " + std::to_string(double(root)));
            }
            if (P >= 0.05 && rawValid && !(tag.Status() == 1 && tag.Z() == raw)) {
                faults.push_back(state.str() + ", was status 1, Z " + std::to_string(raw));
            }
        }
    }
    EXPECT_GT(wrongBefore, 0) << "the grid misses the states the check is for";
    EXPECT_THAT(faults, ::testing::IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Gases, ConvergenceGrid,
                         ::testing::Values(Species{"Methane", 190.56, 45.99, 0.011},
                                           Species{"Ethane", 305.32, 48.72, 0.099},
                                           Species{"Propane", 369.83, 42.48, 0.152},
                                           Species{"NButane", 425.12, 37.96, 0.200},
                                           Species{"Nitrogen", 126.20, 33.98, 0.037},
                                           Species{"CarbonDioxide", 304.21, 73.83, 0.224}),
                         [](const auto& info) { return std::string(info.param.name); });

// Propane at 0.001 bar runs out of Newton steps far from its root (Z 4.21).
TEST(StreamConvergence, LoggedOnceWhenItStartsAndOnceWhenItEnds) {
    Gas gas;
    BadValueHelper helper;
    std::vector<std::string> log;
    std::vector<std::pair<std::string, float>> writes;
    StreamServices services{&gas, &helper,
                            [&](const std::string& tag, float v) { writes.emplace_back(tag, v); }};
    services.logMessage = [&](const std::string& line) { log.push_back(line); };
    TarnelTag tag(services);
    tag.TagName("FI-101");
    tag.TagZ("Z1");
    tag.EuPressure("bara");
    tag.EuTemperature("K");
    tag.Pcrit(42.48);
    tag.Tcrit(369.83);
    tag.AcentricFactor(0.152);
    tag.IndexP(0);
    tag.IndexT(1);
    tag.UpdateFromClient(1, 800, 192);
    const auto run = [&](float p) {
        tag.UpdateFromClient(0, p, 192);
        tag.CalculateZ();
    };

    const std::string start =
        "FI-101: Z did not converge in 30 Newton steps at 0.001 bar a, "
        "800 K; status -5";
    run(0.001f);
    EXPECT_EQ(tag.Status(), -5);
    EXPECT_EQ(tag.Z(), -1.0f);
    EXPECT_EQ(tag.VapourVol(), -1.0);
    run(0.002f);
    tag.Pcrit(0);  // refused: tells nothing about convergence
    run(0.002f);
    tag.Pcrit(42.48);
    EXPECT_THAT(log, ::testing::ElementsAre(start));
    EXPECT_TRUE(writes.empty());

    run(1);
    run(1);
    EXPECT_EQ(tag.Status(), 1);
    EXPECT_EQ(writes, (std::vector<std::pair<std::string, float>>{{"Z1", tag.Z()}}));
    run(0.001f);
    EXPECT_THAT(log, ::testing::ElementsAre(start,
                                            "FI-101: Z converges again at 1 bar a, 800 K; "
                                            "status 1",
                                            start));
}

}  // namespace
}  // namespace tarnel
